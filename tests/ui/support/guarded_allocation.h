// GuardedAllocation: a base that puts each object of a derived class on pages of its
// own and makes those pages inaccessible when the object is deleted. Any later read
// or write of the object is caught, counted and then let through, so a test can
// report a use after free instead of crashing (there is no address sanitizer under
// wine). The pages are never reused.
#pragma once

#include <cstddef>

namespace uitest {

class GuardedAllocation {
public:
    static void* operator new(std::size_t size);
    static void operator delete(void* object);

    // How many deleted objects have been touched since the program started.
    static int TouchesAfterDelete();
};

}  // namespace uitest
