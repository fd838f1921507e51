// zipdat: puts one file into a new zip archive under its file name, for the benchmark of zipped
// DATs. Usage: zipdat ARCHIVE FILE
#include <cstdio>
#include <string>
#include <zip.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: zipdat ARCHIVE FILE\n", stderr);
        return 1;
    }
    int error = 0;
    zip_t* archive = zip_open(argv[1], ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        std::fprintf(stderr, "zipdat: cannot create %s (libzip error %d)\n", argv[1], error);
        return 2;
    }
    std::string path = argv[2];
    std::string name = path.substr(path.find_last_of('/') + 1);
    zip_source_t* source = zip_source_file(archive, argv[2], 0, -1);
    if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0 || zip_close(archive) != 0) {
        std::fprintf(stderr, "zipdat: %s: %s\n", argv[1], zip_strerror(archive));
        zip_discard(archive);
        return 2;
    }
    return 0;
}
