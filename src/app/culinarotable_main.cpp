#include "app/workstation.h"

int main(int argc, char** argv) {
    return RunWorkstation(argc, argv);
}
