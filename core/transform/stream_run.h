#pragma once

#include <type_traits>
#include <utility>

#include "byte_sink.h"
#include "byte_source.h"
#include "preset.h"
#include "stream_run_impl.h"
#include "transformation_run.h"

namespace tonvex {

// Copies the file header whole and then as many track chunks as it counts, note numbers
// transformed by `preset`, and flushes `out`. Returns Written when complete; CannotRead for
// malformed or cut-off input, CannotWrite when `out` failed, Cancelled when `yield` returned
// false. On failure `out` holds a partial copy that the caller throws away.
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, const YieldHook& yield);

// The same with a hook the compiler can inline; it is copied first, as a YieldHook would be.
template <InlineYieldHook Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, Hook&& yield)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    return detail::transformStream(in, out, preset, hook);
}

} // namespace tonvex
