#pragma once

#include "prompter.h"

namespace quillon {

// Answers nothing: the benchmark tools open no dialog.
class SilentPrompter : public Prompter {
public:
    PromptAnswer ask(const PromptMessage&) override { return PromptAnswer::Ok; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    QString chooseFileToOpen(const FileRequest&) override { return {}; }
    SaveChoice chooseSaveTarget(const FileRequest&) override { return {}; }
};

}  // namespace quillon
