#include <cstdio>

#include "helper/HelperProgram.h"

int main(int argc, char** argv) {
    try {
        return tarvex::runHelperProgram(argc, argv);
    } catch (...) {
        std::fputs("tarvex-helper: out of memory\n", stderr);
        return 1;
    }
}
