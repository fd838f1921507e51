#include "utilities.h"

#include "atomicfile.h"
#include "privatefolder.h"
#include "tempfileclaim.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

qsizetype fileNameStart(const QString& path)
{
    return path.lastIndexOf(u'/') + 1;
}

// Index of the dot that starts the file name's extension, or -1.
qsizetype extensionDot(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= fileNameStart(path) ? dot : -1;
}

}  // namespace

bool FileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString GetFileTitle(const QString& path, bool keepFolder)
{
    const qsizetype dot = extensionDot(path);
    const QString withoutExtension = dot < 0 ? path : path.left(dot);
    return keepFolder ? withoutExtension : withoutExtension.mid(fileNameStart(path));
}

QString GetParentFolder(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString GetExtension(const QString& path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1);
}

QString AddQuotes(const QString& text)
{
    if (text.isEmpty())
        return text;
    QString quoted = text;
    if (!quoted.startsWith(u'"'))
        quoted.prepend(u'"');
    if (!text.endsWith(u'"'))
        quoted.append(u'"');
    return quoted;
}

QString RemoveQuotes(const QString& text)
{
    QString unquoted = text;
    if (unquoted.startsWith(u'"'))
        unquoted.remove(0, 1);
    if (unquoted.endsWith(u'"'))
        unquoted.chop(1);
    return unquoted;
}

QString GetTempFolder()
{
    return PrivateFolderPath() + u'/';
}

QString GetTempFileName(const QString& prefix)
{
    if (!PreparePrivateFolder())
        return {};
    QTemporaryFile file(GetTempFolder() + prefix + TempFileClaim::currentTag() + u"XXXXXX.tmp"_s);
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

Outcome JoinTextFiles(const QString& destination, const QStringList& sources)
{
    AtomicFile output(destination);
    if (Outcome opened = output.open(); !opened)
        return opened;
    for (const QString& source : sources) {
        if (Outcome appended = output.append(source); !appended)
            return appended;
        if (Outcome ended = output.write("\r\n"); !ended)
            return ended;
    }
    return output.commit();
}

Outcome CopyFileReplacing(const QString& source, const QString& destination)
{
    AtomicFile output(destination);
    if (Outcome opened = output.open(); !opened)
        return opened;
    if (Outcome copied = output.append(source); !copied)
        return copied;
    return output.commit();
}

void DeleteFileQuiet(const QString& path)
{
    // Removing a directory entry needs no write permission on the file itself, so read-only
    // files go the same way.
    if (!path.isEmpty())
        QFile::remove(path);
}

}  // namespace quillon
