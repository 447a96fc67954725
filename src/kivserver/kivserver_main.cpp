#include "kivserver/kivserverapp.h"

int main(int argc, char** argv) {
    return RunKIVServer(argc, argv);
}
