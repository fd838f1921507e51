#pragma once

#include <QString>

namespace quillon {

enum class PromptIcon { None, Information, Exclamation, Critical, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// One message box: what the user is shown and which answers are offered.
struct PromptMessage {
    QString text;
    QString title;  // empty: the application title
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultAnswer = PromptAnswer::Ok;
    bool centredOnMainWindow = false;

    bool operator==(const PromptMessage&) const = default;
};

// One file dialog. `filter` uses Qt's syntax ("DAT files (*.dat);;All files (*)").
struct FileRequest {
    QString title;
    QString startPath;  // folder, or a file name to preselect
    QString filter;

    bool operator==(const FileRequest&) const = default;
};

// The file chosen in a save dialog and which of the request's filters was selected
// (an index into its ";;"-separated list; -1 when cancelled).
struct SaveChoice {
    QString path;
    int filterIndex = -1;
};

// Every message box and file or folder dialog of Quillon goes through this interface, so that
// windows never block on a real dialog in tests and tests can assert what the user was shown.
// The dialog methods return an empty string when the user cancels.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual PromptAnswer ask(const PromptMessage& message) = 0;
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
    virtual QString chooseFileToOpen(const FileRequest& request) = 0;
    virtual SaveChoice chooseSaveTarget(const FileRequest& request) = 0;

    QString chooseFileToSave(const FileRequest& request) { return chooseSaveTarget(request).path; }

    // An OK-only box with no icon and the application title.
    void tell(const QString& text) { ask(PromptMessage{.text = text}); }
};

}  // namespace quillon
