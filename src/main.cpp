#include "app/TamselDeskApp.h"

int main(int argc, char **argv)
{
    return TamselDeskApp::launch(argc, argv);
}
