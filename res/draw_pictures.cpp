// Writes the program's pictures into the folder given (res/): draw_pictures <folder>.
#include <cstdio>
#include <string>

#include "res/pictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_pictures <folder>\n");
        return 2;
    }
    for (const pictures::PictureFile& file : pictures::DrawAll()) {
        std::string path = std::string(argv[1]) + "/" + file.name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            if (f) std::fclose(f);
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}
