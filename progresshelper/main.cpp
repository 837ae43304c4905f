#include "progresshelper/SkylarnApp.h"

int main(int argc, char **argv)
{
    return Skylarn::runSkylarn(argc, argv);
}
