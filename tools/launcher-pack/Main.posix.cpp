#include "PackCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    return launcher::pack::runLauncherPack(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
