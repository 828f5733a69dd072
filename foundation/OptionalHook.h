#pragma once
// A hook that a table of hooks may leave empty. Every other hook of the
// game's host structs and hook tables must be filled by the program (its
// wiring test checks each), so an empty one cannot silently do nothing; a
// member of this type is allowed to be empty, and its declaration says why.

#include <functional>

template <class Signature> struct OptionalHook : std::function<Signature> {
    using std::function<Signature>::function;
};
