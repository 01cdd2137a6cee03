#include <cstdio>

int main()
{
    std::fprintf(stderr, "usage: tarvok-convert [--from tks|agi] [--to tks|agi|mid|wav] "
                         "[--instruments P0,P1,P2] (INPUT | --new) OUTPUT\n");
    return 1;
}
