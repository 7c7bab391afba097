#pragma once

#include <exception>
#include <memory>

#include "engine.h"

namespace tonvex {

// The object held by an engine variable; throws EngineError when the variable is empty.
template <class T>
T& need(const std::unique_ptr<T>& slot)
{
    if (!slot)
        throw EngineError("empty object variable");
    return *slot;
}

// Runs one engine step. A failure abandons the step and whatever it was to store keeps its
// value; returns false then, so the caller can go on with the next step.
template <class Step>
bool attempt(Step&& step) noexcept
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Evaluates a guard; a failure while evaluating it counts as the guard holding.
template <class Guard>
bool holds(Guard&& guard) noexcept
{
    try {
        return guard();
    } catch (const std::exception&) {
        return true;
    }
}

} // namespace tonvex
