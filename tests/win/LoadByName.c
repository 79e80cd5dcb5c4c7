/* Loads the DLL named on its command line by its name alone, as Windows looks for one: for
 * planted-dll-test.sh, which shows with it that a DLL planted beside a program is found so.
 * Exit code 0 when the DLL was loaded. */
#include <windows.h>

int main(int argc, char** argv) {
    return argc == 2 && LoadLibraryA(argv[1]) ? 0 : 1;
}
