// varnel: the desktop application.
#include <string>
#include <vector>

#include "app/shell.h"

int main(int argc, char** argv) { return vn::runVarnel(std::vector<std::string>(argv + 1, argv + argc)); }
