// Runs one header or zip operation of Quillon on whole files, for bench/header_zip.sh to time
// beside the command-line tools that do the same work.
#include "cmpheader.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: header_zip_bench append DEST SRC\n"
               "       header_zip_bench zip ZIP FILE TARGET\n"
               "       header_zip_bench unzip ZIP ENTRY OUT\n"
               "       header_zip_bench copy SRC DEST\n",
               stderr);
    return 2;
}

bool run(const QStringList& arguments)
{
    const QString& command = arguments[0];
    if (command == QLatin1String("append") && arguments.size() == 3)
        return quillon::AppendDatWithoutHeader(arguments[1], arguments[2]).ok();
    if (command == QLatin1String("zip") && arguments.size() == 4)
        return quillon::AddToZip(arguments[1], arguments[2], arguments[3]).ok();
    if (command == QLatin1String("unzip") && arguments.size() == 4)
        return quillon::ExtractZipEntry(arguments[1], arguments[2], arguments[3]).ok();
    if (command == QLatin1String("copy") && arguments.size() == 3)
        return quillon::CopyFileReplacing(arguments[1], arguments[2]).ok();
    std::exit(usage());
}

}  // namespace

int main(int argc, char** argv)
{
    // The header copy yields to the event loop as in the application.
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    if (!run(arguments)) {
        std::fprintf(stderr, "header_zip_bench: %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
