#include "driver/run.h"

int main(int argc, char **argv)
{
    return run_tallyrpt(argc, argv);
}
