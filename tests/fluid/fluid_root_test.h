#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fluid_root.h"
#include "smf_builder.h"

namespace tonvex::test {

// The engine's own synthesizer and SoundFont, made once for a suite's tests; they skip where
// no General MIDI SoundFont is installed.
class FluidRootTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        keepLogInTempDir();
        try {
            s_root = createFluidRoot();
        } catch (const EngineError&) {
            s_root.reset();
        }
    }
    static void TearDownTestSuite() { s_root.reset(); }

    void SetUp() override
    {
        if (!s_root)
            GTEST_SKIP() << "no General MIDI SoundFont installed";
    }

    static FluidCore& core() { return static_cast<FluidRoot&>(*s_root).core(); }

    static inline std::unique_ptr<MusicRoot> s_root;
};

} // namespace tonvex::test
