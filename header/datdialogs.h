#pragma once

#include <QString>

#include <optional>

namespace quillon {

struct DatHeader;

// The two dialogs that commands working on a DAT open along the way: choosing a DAT inside a
// zip archive and editing a header block. Commands take them through this interface so that
// they can run without the windows in tests.
class DatDialogs {
public:
    virtual ~DatDialogs() = default;

    // Lets the user pick a DAT in `zipFile` and takes it out into a new temporary file, which the
    // caller owns and deletes. Returns its path and the entry's name in `entryName`; "" in both
    // when nothing was taken out.
    virtual QString SelectDat(const QString& zipFile, const QString& title, QString* entryName) = 0;

    // Lets the user pick a DAT in `zipFile` for a reader that opens the archive itself. Returns
    // the entry's name; "" when nothing was picked.
    virtual QString SelectDatEntry(const QString& zipFile, const QString& title) = 0;

    // Lets the user edit a header block, filled from `dat` unless it is empty. Returns the path of
    // a new header file holding the saved block, which the caller owns and deletes, or "" when
    // the user cancelled.
    virtual QString GetCMPHeaderFile(const QString& dat) = 0;

    // Lets the user type the header block of a new DAT in the editor, starting from its
    // defaults. Returns the saved values, or nothing when the user chose to have no header.
    virtual std::optional<DatHeader> AskNewHeader() = 0;

    // Lets the user edit the values of `header`, shown as they are. True when the user saved;
    // `header` then holds the new values. For DATs whose header is not a header block.
    virtual bool EditDatHeader(DatHeader& header) = 0;
};

}  // namespace quillon
