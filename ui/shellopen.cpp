#include "shellopen.h"

#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace quillon {

namespace {

// The warnings logged while the desktop is asked; opening happens on the window thread only.
QStringList* heardWarnings = nullptr;
QtMessageHandler passWarningsOn = nullptr;

void hearWarning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (heardWarnings && (type == QtWarningMsg || type == QtCriticalMsg))
        heardWarnings->append(text);
    if (passWarningsOn)
        passWarningsOn(type, context, text);
}

Outcome openSayingWhy(const QUrl& url)
{
    QStringList warnings;
    heardWarnings = &warnings;
    passWarningsOn = qInstallMessageHandler(hearWarning);
    const bool opened = QDesktopServices::openUrl(url);
    qInstallMessageHandler(passWarningsOn);
    heardWarnings = nullptr;
    passWarningsOn = nullptr;
    if (opened)
        return Outcome::success();
    if (warnings.isEmpty())
        return Outcome::failure(QStringLiteral("the desktop has no program for it."));
    return Outcome::failure(warnings.join(u'\n'));
}

}  // namespace

Outcome ShellOpen(const QString& target)
{
    return openSayingWhy(QUrl::fromUserInput(target));
}

Outcome OpenWithAssociation(const QString& file)
{
    return openSayingWhy(QUrl::fromLocalFile(file));
}

}  // namespace quillon
