// Objects a test builds without an owner of the engine's (a query, a list)
// are handed here: they live until the test program ends and are then freed,
// so that leak checking sees every other allocation.
#pragma once

#include <memory>
#include <vector>

template <class T>
T* owned(T* object) {
    static std::vector<std::unique_ptr<T>> held;
    held.emplace_back(object);
    return object;
}
