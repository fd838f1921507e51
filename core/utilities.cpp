#include "utilities.h"

#include "atomicfile.h"
#include "tempfileclaim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace quillon {

namespace {

qsizetype fileNameStart(const QString& path)
{
    return path.lastIndexOf('/') + 1;
}

// Index of the dot that starts the file name's extension, or -1.
qsizetype extensionDot(const QString& path)
{
    const qsizetype dot = path.lastIndexOf('.');
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
    const qsizetype slash = path.lastIndexOf('/');
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
    if (!quoted.startsWith('"'))
        quoted.prepend('"');
    if (!text.endsWith('"'))
        quoted.append('"');
    return quoted;
}

QString RemoveQuotes(const QString& text)
{
    QString unquoted = text;
    if (unquoted.startsWith('"'))
        unquoted.remove(0, 1);
    if (unquoted.endsWith('"'))
        unquoted.chop(1);
    return unquoted;
}

QString GetTempFolder()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith('/'))
        folder.append('/');
    return folder;
}

QString GetTempFileName(const QString& prefix)
{
    QTemporaryFile file(GetTempFolder() + prefix + TempFileClaim::currentTag() + "XXXXXX.tmp");
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
