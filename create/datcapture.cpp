#include "datcapture.h"

#include "capturefile.h"
#include "filedescriptor.h"
#include "prompter.h"

#include <QLocale>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// Enough of the output's end for its last lines and its closing tag.
constexpr qsizetype TailBytes = 8192;
// The root element of an XML list comes after its declaration and DTD, well within this.
constexpr qint64 HeadBytes = 4 << 20;
constexpr qsizetype LongestLineShown = 160;
// A pipe of 1 MiB fills in a few milliseconds at most.
constexpr int PauseMs = 2;

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
        return QByteArrayView(tail).first(end).endsWith(QByteArray("</" + root_));
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

// A pipe whose write end becomes the program's standard output and standard error, so that the
// program's writes, which may fail unseen, go into the pipe, and Quillon's own writes into the
// file can be checked.
class OutputPipe {
public:
    OutputPipe()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            failure_ = QString::fromStdString(std::generic_category().message(errno));
            return;
        }
        readEnd_.reset(ends[0]);
        writeEnd_.reset(ends[1]);
        ::fcntl(readEnd_.get(), F_SETFL, O_NONBLOCK);
        // Fewer, larger moves; a system that allows less keeps its default.
        ::fcntl(readEnd_.get(), F_SETPIPE_SZ, PipeBytes);
    }

    // Why the pipe could not be made; "" when it was.
    const QString& failure() const { return failure_; }
    int readEnd() const { return readEnd_.get(); }

    // Makes the write end the program's standard output and standard error; run in the child.
    std::function<void()> redirectionInChild() const
    {
        const int writeEnd = writeEnd_.get();
        return [writeEnd] {
            ::dup2(writeEnd, STDOUT_FILENO);
            ::dup2(writeEnd, STDERR_FILENO);
        };
    }

    // Once the program has its copy, the end of the output is when the program closes it.
    void closeWriteEnd() { writeEnd_.reset(); }

private:
    static constexpr int PipeBytes = 1 << 20;
    FileDescriptor readEnd_;
    FileDescriptor writeEnd_;
    QString failure_;
};

// Moves the program's output from the pipe into the file as it arrives and shows progress.
// After a failed write nothing more is taken in.
class OutputReceiver {
public:
    OutputReceiver(CaptureFile& file, int pipeFd, const StatusSink& showStatus)
        : file_(file), pipeFd_(pipeFd), showStatus_(showStatus)
    {
    }

    // False once the output cannot be stored.
    bool take()
    {
        if (!writeFailure_.isEmpty())
            return false;
        const qint64 before = bytes_;
        if (const Outcome moved = file_.moveFromPipe(pipeFd_, BytesPerTurn, bytes_); !moved)
            writeFailure_ = moved.reason();
        if (bytes_ / statusInterval > before / statusInterval)
            showStatus_(receivingDataText(bytes_));
        return writeFailure_.isEmpty();
    }

    qint64 bytes() const { return bytes_; }
    const QString& writeFailure() const { return writeFailure_; }

private:
    // Window events are handled between turns even while a fast program keeps the pipe full.
    static constexpr qint64 BytesPerTurn = 8 << 20;

    CaptureFile& file_;
    const int pipeFd_;
    const StatusSink& showStatus_;
    qint64 bytes_ = 0;
    QString writeFailure_;
};

// Whether the XML output in `file` ends with the closing tag of its root element; the name of
// the root when it could be found.
bool closesItsRoot(const CaptureFile& file, QByteArray& root)
{
    XmlRootFinder finder;
    constexpr qint64 Block = 64 * 1024;
    for (qint64 offset = 0; offset < std::min(file.size(), HeadBytes) && finder.root().isEmpty(); offset += Block)
        finder.feed(file.readBack(offset, Block));
    root = finder.root();
    return finder.closedBy(file.readBack(std::max<qint64>(0, file.size() - TailBytes), TailBytes));
}

bool expectsXml(const Command& command)
{
    return command.arguments.contains(QStringLiteral("-listxml"));
}

// `reason` names the file and says why it could not be written.
QString notWritten(const QString& reason)
{
    return u"Could not write "_s + reason + u". It was left as it was."_s;
}

// Why a finished run gives no DAT to keep; "" when it does.
QString whyNotKept(const QProcess& process, const OutputReceiver& output, const CaptureFile& file, bool xml,
                   const QString& destination)
{
    const QString keptAsItWas = destination + u" was left as it was."_s;
    if (!output.writeFailure().isEmpty())
        return notWritten(output.writeFailure());
    if (process.exitStatus() != QProcess::NormalExit)
        return u"The program ended abnormally; "_s + keptAsItWas;
    if (process.exitCode() != 0)
        return u"The program ended with exit code %1; %2"_s.arg(process.exitCode()).arg(keptAsItWas);
    QByteArray root;
    if (xml && !closesItsRoot(file, root)) {
        const QString closing =
            root.isEmpty() ? QString() : u" (it does not end with </"_s + QString::fromUtf8(root) + u">)"_s;
        return u"The program's output is not a complete XML document"_s + closing + u"; "_s + keptAsItWas;
    }
    return {};
}

// Takes the program's output whenever the pipe holds some, until the program has exited. After
// each move the pipe is left to fill for a moment: a program that prints in small pieces would
// otherwise wake Quillon for every one of them.
void takeOutputUntilExit(QProcess& process, int pipeFd, const std::function<void()>& takeOutput)
{
    QSocketNotifier arrivals(pipeFd, QSocketNotifier::Read);
    QTimer pause;
    pause.setSingleShot(true);
    pause.setTimerType(Qt::PreciseTimer);
    pause.setInterval(PauseMs);
    QObject::connect(&pause, &QTimer::timeout, &arrivals, [&arrivals] { arrivals.setEnabled(true); });
    QObject::connect(&arrivals, &QSocketNotifier::activated, &pause, [&] {
        arrivals.setEnabled(false);
        takeOutput();
        pause.start();
    });
    WaitForExit(process);
}

// Keeps the output as the destination, or tells the user why it was not kept.
CaptureResult finishRun(const QProcess& process, const OutputReceiver& output, CaptureFile& file, bool xml,
                        const QString& destination, Prompter& prompter)
{
    CaptureResult result{.started = true, .bytes = output.bytes()};
    QString why = whyNotKept(process, output, file, xml, destination);
    if (why.isEmpty()) {
        const Outcome committed = file.commit();
        result.written = committed.ok();
        if (!committed)
            why = notWritten(committed.reason());
    } else if (output.writeFailure().isEmpty()) {
        const QByteArray tail = file.readBack(std::max<qint64>(0, file.size() - TailBytes), TailBytes);
        if (const QString lines = lastLinesOf(tail); !lines.isEmpty())
            why += u"\n\nThe program's last output:\n"_s + lines;
    }
    if (!why.isEmpty())
        reportCritical(prompter, why);
    return result;
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
    return u"Receiving data : "_s + groupedNumber(bytes) + u" bytes..."_s;
}

QString lastLinesOf(const QByteArray& tail, int count)
{
    QStringList lines;
    const QStringList all = QString::fromUtf8(tail).split(u'\n');
    for (auto line = all.crbegin(); line != all.crend() && lines.size() < count; ++line) {
        const QString text = line->trimmed();
        if (!text.isEmpty())
            lines.prepend(text.size() > LongestLineShown ? text.left(LongestLineShown) + u"..."_s : text);
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
    if (ender_)
        ender_->request();
}

CaptureResult DatCapture::run(const StatusSink& showStatus, Prompter& prompter)
{
    cancelled_ = false;
    CaptureFile file(destination_);
    OutputPipe pipe;
    const Outcome opened =
        pipe.failure().isEmpty() ? file.open() : Outcome::failure(destination_ + u": "_s + pipe.failure());
    if (!opened) {
        reportCritical(prompter, u"Could not write "_s + opened.reason() + u'.');
        return {};
    }
    QProcess process;
    ConfigureProcess(process, command_, pipe.redirectionInChild());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (const QString why = StartOrReport(process, command_, prompter); !why.isEmpty()) {
        reportCritical(prompter, u"Could not start "_s + command_.program + u": "_s + why + u'.');
        return {};
    }
    pipe.closeWriteEnd();

    OutputReceiver output(file, pipe.readEnd(), showStatus);
    ProgramEnder ender(process);
    const auto takeOutput = [&] {
        // Once a write has failed, the run has failed: the program need not go on.
        if (!output.take())
            ender.request();
    };
    ender_ = &ender;
    takeOutputUntilExit(process, pipe.readEnd(), takeOutput);
    ender_ = nullptr;
    // Event processing ended before the program did: Quillon is quitting.
    if (process.state() != QProcess::NotRunning)
        cancelled_ = true;
    ender.finish(process);
    if (cancelled_)
        return {.started = true, .cancelled = true, .bytes = output.bytes()};
    takeOutput();
    return finishRun(process, output, file, expectsXml(command_), destination_, prompter);
}

CaptureResult CreateDatFile(const Command& command, const QString& destination, const StatusSink& showStatus,
                            Prompter& prompter)
{
    DatCapture capture(command, destination);
    return capture.run(showStatus, prompter);
}

}  // namespace quillon
