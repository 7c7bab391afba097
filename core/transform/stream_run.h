#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "byte_sink.h"
#include "byte_source.h"
#include "preset.h"
#include "stream_run_impl.h"
#include "stream_run_scout.h"
#include "transformation_run.h"

namespace tonvex {

// Copies the file header whole, then as many track chunks as it counts and whatever follows
// them (further track chunks transformed, the rest unchanged), note numbers transformed by
// `preset`, and flushes `out`. `openAgain` opens a second reader of the same input, which
// settles what lies beyond the input's window at a chunk boundary; without one, such bytes
// are taken as the next chunk or copied unchanged. Returns Written when complete; CannotRead
// for malformed or cut-off input, with the cause in `*refusal` when given; CannotWrite when
// `out` failed; Cancelled when `yield` returned false. On failure `out` holds a partial copy
// that the caller throws away.
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, const YieldHook& yield,
                          const ReaderOpener& openAgain = {}, std::string* refusal = nullptr);

// The same with a hook the compiler can inline; it is copied first, as a YieldHook would be.
template <InlineYieldHook Hook>
RunStatus transformStream(ByteSource& in, ByteSink& out, const Preset& preset, Hook&& yield,
                          const ReaderOpener& openAgain = {}, std::string* refusal = nullptr)
{
    std::decay_t<Hook> hook(std::forward<Hook>(yield));
    return detail::transformStream(in, out, preset, hook, openAgain, refusal);
}

} // namespace tonvex
