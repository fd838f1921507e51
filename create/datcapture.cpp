#include "datcapture.h"

#include "capturefile.h"
#include "prompter.h"

#include <QLocale>
#include <QProcess>

#include <expat.h>

#include <utility>

namespace quillon {

namespace {

// Enough of the output's end for its last lines and its closing tag.
constexpr qsizetype TailBytes = 8192;
// The root element of an XML list comes after its declaration and DTD, well within this.
constexpr qint64 HeadBytes = 4 << 20;
constexpr qsizetype LongestLineShown = 160;

void reportCritical(Prompter& prompter, const QString& text)
{
    prompter.ask({.text = text, .icon = PromptIcon::Critical});
}

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Finds the name of the root element at the start of an XML output, so that its end can be
// checked for the closing tag. Only the start is parsed: a DAT of hundreds of megabytes is not
// read twice.
class XmlRootFinder {
public:
    XmlRootFinder() : parser_(XML_ParserCreate(nullptr))
    {
        XML_SetUserData(parser_, this);
        XML_SetStartElementHandler(parser_, onStart);
    }
    ~XmlRootFinder() { XML_ParserFree(parser_); }
    XmlRootFinder(const XmlRootFinder&) = delete;
    XmlRootFinder& operator=(const XmlRootFinder&) = delete;

    void feed(QByteArrayView chunk)
    {
        if (done_)
            return;
        fed_ += chunk.size();
        const XML_Status status = XML_Parse(parser_, chunk.data(), static_cast<int>(chunk.size()), XML_FALSE);
        done_ = !root_.isEmpty() || status != XML_STATUS_OK || fed_ > HeadBytes;
    }

    // True when the output, whose last bytes are `tail`, ends with the root's closing tag.
    bool closedBy(const QByteArray& tail) const
    {
        if (root_.isEmpty())
            return false;
        qsizetype end = tail.size();
        while (end > 0 && isXmlSpace(tail[end - 1]))
            --end;
        if (end == 0 || tail[end - 1] != '>')
            return false;
        --end;
        while (end > 0 && isXmlSpace(tail[end - 1]))
            --end;
        return QByteArrayView(tail).first(end).endsWith("</" + root_);
    }

    const QByteArray& root() const { return root_; }

private:
    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char**)
    {
        auto& finder = *static_cast<XmlRootFinder*>(data);
        finder.root_ = name;
        XML_StopParser(finder.parser_, XML_FALSE);
    }

    XML_Parser parser_;
    QByteArray root_;
    qint64 fed_ = 0;
    bool done_ = false;
};

// Takes in the program's output as it arrives: writes it, counts it, keeps its last bytes and
// shows progress. After a failed write nothing more is taken in.
class OutputReceiver {
public:
    OutputReceiver(CaptureFile& file, bool expectsXml, const StatusSink& showStatus)
        : file_(file), expectsXml_(expectsXml), showStatus_(showStatus)
    {
    }

    bool receive(const QByteArray& chunk)
    {
        if (!writeFailure_.isEmpty())
            return false;
        if (const Outcome written = file_.write(chunk); !written) {
            writeFailure_ = written.reason();
            return false;
        }
        if (expectsXml_)
            rootFinder_.feed(chunk);
        keepTail(chunk);
        const qint64 before = bytes_;
        bytes_ += chunk.size();
        if (bytes_ / statusInterval > before / statusInterval)
            showStatus_(receivingDataText(bytes_));
        return true;
    }

    qint64 bytes() const { return bytes_; }
    const QByteArray& tail() const { return tail_; }
    const QString& writeFailure() const { return writeFailure_; }
    const XmlRootFinder& rootFinder() const { return rootFinder_; }

private:
    void keepTail(const QByteArray& chunk)
    {
        tail_ += chunk.right(TailBytes);
        if (tail_.size() > 2 * TailBytes)
            tail_ = tail_.right(TailBytes);
    }

    CaptureFile& file_;
    const bool expectsXml_;
    const StatusSink& showStatus_;
    XmlRootFinder rootFinder_;
    QByteArray tail_;
    qint64 bytes_ = 0;
    QString writeFailure_;
};

bool expectsXml(const Command& command)
{
    return command.arguments.contains(QStringLiteral("-listxml"));
}

// Why a finished run gives no DAT to keep; "" when it does.
QString whyNotKept(const QProcess& process, const OutputReceiver& output, bool xml, const QString& destination)
{
    const QString keptAsItWas = destination + " was left as it was.";
    if (!output.writeFailure().isEmpty())
        return "Could not write " + destination + ": " + output.writeFailure() + ". It was left as it was.";
    if (process.exitStatus() != QProcess::NormalExit)
        return "The program ended abnormally; " + keptAsItWas;
    if (process.exitCode() != 0)
        return QString("The program ended with exit code %1; %2").arg(process.exitCode()).arg(keptAsItWas);
    if (xml && !output.rootFinder().closedBy(output.tail())) {
        const QByteArray& root = output.rootFinder().root();
        const QString closing = root.isEmpty() ? QString() : " (it does not end with </" + QString::fromUtf8(root) + ">)";
        return "The program's output is not a complete XML document" + closing + "; " + keptAsItWas;
    }
    return {};
}

}  // namespace

QString groupedNumber(qint64 number)
{
    // The C locale leaves digits ungrouped unless asked; every locale groups them here.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(number);
}

QString receivingDataText(qint64 bytes)
{
    return "Receiving data : " + groupedNumber(bytes) + " bytes...";
}

QString lastLinesOf(const QByteArray& tail, int count)
{
    QStringList lines;
    const QStringList all = QString::fromUtf8(tail).split(u'\n');
    for (auto line = all.crbegin(); line != all.crend() && lines.size() < count; ++line) {
        const QString text = line->trimmed();
        if (!text.isEmpty())
            lines.prepend(text.size() > LongestLineShown ? text.left(LongestLineShown) + "..." : text);
    }
    return lines.join(u'\n');
}

DatCapture::DatCapture(Command command, QString destination)
    : command_(std::move(command)), destination_(std::move(destination))
{
}

void DatCapture::cancel()
{
    cancelled_ = true;
    if (process_)
        process_->kill();
}

CaptureResult DatCapture::run(const StatusSink& showStatus, Prompter& prompter)
{
    cancelled_ = false;
    CaptureFile file(destination_);
    if (const Outcome opened = file.open(); !opened) {
        reportCritical(prompter, "Could not write " + destination_ + ": " + opened.reason() + '.');
        return {};
    }
    QProcess process;
    ConfigureProcess(process, command_);
    if (!StartOrReport(process, command_, prompter))
        return {};

    const bool xml = expectsXml(command_);
    OutputReceiver output(file, xml, showStatus);
    const auto takeOutput = [&] {
        // Once a write has failed, the run has failed: the program need not go on.
        if (!output.receive(process.readAllStandardOutput()))
            process.kill();
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, takeOutput);
    process_ = &process;
    WaitForExit(process);
    process_ = nullptr;
    if (process.state() != QProcess::NotRunning) {
        // Event processing ended before the program did: Quillon is quitting.
        cancelled_ = true;
        process.kill();
        process.waitForFinished(-1);
    }
    if (cancelled_)
        return {.started = true, .cancelled = true, .bytes = output.bytes()};
    takeOutput();

    CaptureResult result{.started = true, .bytes = output.bytes()};
    QString why = whyNotKept(process, output, xml, destination_);
    if (why.isEmpty()) {
        const Outcome committed = file.commit();
        result.written = committed.ok();
        if (!committed)
            why = "Could not write " + destination_ + ": " + committed.reason() + ". It was left as it was.";
    } else if (output.writeFailure().isEmpty()) {
        if (const QString lines = lastLinesOf(output.tail()); !lines.isEmpty())
            why += "\n\nThe program's last output:\n" + lines;
    }
    if (!why.isEmpty())
        reportCritical(prompter, why);
    return result;
}

CaptureResult CreateDatFile(const Command& command, const QString& destination, const StatusSink& showStatus,
                            Prompter& prompter)
{
    DatCapture capture(command, destination);
    return capture.run(showStatus, prompter);
}

}  // namespace quillon
