#include "tempstore.h"

#include <QFile>

namespace quillon::testing {

TempStore::TempStore() : store_(folder_.filePath("Quillon.ini")) {}

QByteArray TempStore::fileText()
{
    store_.sync();
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TempStore::writeFileText(const QByteArray& text)
{
    QFile file(path());
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    file.close();
    store_.sync();
}

}  // namespace quillon::testing
