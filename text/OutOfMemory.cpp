#include "text/OutOfMemory.h"

void KGEOutOfMemory() {
    throw std::bad_alloc();
}
