#include "QuillboxApp.h"

int main(int argc, char **argv)
{
    return QuillboxApp::main(argc, argv);
}
