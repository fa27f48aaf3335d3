// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantryApp.h"

int main(int argc, char *argv[])
{
    return vantry::VantryApp::main(argc, argv);
}
