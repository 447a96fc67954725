#include <iostream>

#include "app/admin.h"

int main(int argc, char** argv) {
    return RunAdmin(argc, argv, std::cout, std::cerr);
}
