// Compiled in a layer's own include root with an include of the layer above
// (UPWARD, given by the build): the build must refuse it.
#include UPWARD

int main()
{
    return 0;
}
