#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch_input.h"
#include "preset.h"
#include "transformation_run.h"

namespace tonvex::cli {

// Transforms a batch on worker threads, each with its own workspace, and hands the results
// back to the calling thread in input order, whatever order they finish in. Workers take
// short pieces of consecutive inputs, each preferring a folder no other worker is in: file
// creations and renames in one folder wait for each other in the kernel.
class BatchRun {
public:
    // Starts min(jobs, inputs) workers at once. Files being written are cancelled, and no more
    // are started, as soon as `cancel` is not 0. `inputs`, `preset` and `cancel` must outlive
    // the run.
    BatchRun(const std::vector<BatchInput>& inputs, const Preset& preset, unsigned jobs, const std::atomic<int>& cancel);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // True once every result has been handed out.
    bool finished() const { return m_handed == m_slots.size(); }
    std::size_t handed() const { return m_handed; }

    // The result of input handed(), waiting for it up to `timeout`; nullopt if it is not
    // ready by then. Must not be called once finished().
    std::optional<RunResult> next(std::chrono::milliseconds timeout);

    // Cancels the files being written (their temporary files are removed), starts no more
    // and waits for the workers.
    void stop();

    // After stop(): the result of input `index` (handed() or later) if its run came to an
    // end of its own, written or refused; nullptr if it was cancelled or never started.
    const RunResult* finishedResult(std::size_t index) const;

private:
    struct Slot {
        RunResult result;          // written by its worker only, before `done`
        std::atomic<bool> done{false};
    };

    // Consecutive inputs of one folder, taken by one worker.
    struct Piece {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::size_t folder = 0;
        bool taken = false;
    };

    void cutPieces();
    // The next piece for a worker that has just done `done` (nullptr at its start); nullptr
    // when none is left.
    Piece* takePiece(const Piece* done);
    void work();
    bool stopping() const;
    RunResult runOne(std::size_t index, RunWorkspace& workspace);
    void finish(std::size_t index, RunResult result);
    void wake(std::condition_variable& waiters);

    const std::vector<BatchInput>& m_inputs;
    const Preset& m_preset;
    const std::atomic<int>& m_cancel;
    std::vector<Slot> m_slots;
    std::vector<Piece> m_pieces;
    std::vector<int> m_workersInFolder;
    std::size_t m_firstUntaken = 0; // pieces before it are all taken
    std::atomic<std::size_t> m_finishedCount{0};
    std::atomic<bool> m_stopping{false};
    std::size_t m_handed = 0; // the calling thread's alone
    std::mutex m_mutex; // for the pieces and the condition variables
    std::condition_variable m_handable; // results are ready for the calling thread
    std::vector<std::jthread> m_workers;
};

} // namespace tonvex::cli
