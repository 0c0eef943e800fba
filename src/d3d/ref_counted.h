#pragma once

#include "d3d/d3d8.h"

namespace tavrin::d3d {

// AddRef/Release for one of the API's interfaces; the object deletes itself at count 0.
template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    RefCounted() = default;

private:
    ULONG references_ = 1;
};

// Takes a reference on `object` (may be null) and drops the one held in `slot`.
template <class T>
void ReplaceReference(T*& slot, T* object) {
    if (object != nullptr) object->AddRef();
    if (slot != nullptr) slot->Release();
    slot = object;
}

}  // namespace tavrin::d3d
