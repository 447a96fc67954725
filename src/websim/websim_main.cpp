#include "websim/websimulator.h"

int main(int argc, char** argv) {
    return websim::RunWebSim(argc, argv);
}
