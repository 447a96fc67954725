#include "desk/deskapp.h"

int main(int argc, char** argv) {
    return RunDesk(argc, argv);
}
