#include "batch_run.h"

#include <algorithm>
#include <exception>
#include <string>
#include <unordered_map>

#include "file_path.h"
#include "folder_listing.h"
#include "host_system.h"

namespace tonvex::cli {

namespace {

constexpr std::size_t kResultsPerWakeUp = 32;
// Short enough that the workers share a single large folder evenly, long enough that taking
// a piece costs nothing beside its files.
constexpr std::size_t kPieceSize = 8;
// How far a worker looks for a piece in a folder of its own before it shares one.
constexpr std::size_t kLookAhead = 64;

constexpr char kNoMidiMark[] = "no \".MID\" in the name";

} // namespace

BatchRun::BatchRun(const std::vector<BatchInput>& inputs, const Preset& preset, unsigned jobs,
                   const std::atomic<int>& cancel)
    : m_inputs(inputs), m_preset(preset), m_cancel(cancel), m_slots(inputs.size())
{
    cutPieces();
    const std::size_t workers = std::min<std::size_t>(std::max(jobs, 1u), inputs.size());
    m_workers.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

BatchRun::~BatchRun()
{
    stop();
}

std::optional<RunResult> BatchRun::next(std::chrono::milliseconds timeout)
{
    Slot& slot = m_slots[m_handed];
    if (!slot.done) {
        std::unique_lock lock(m_mutex);
        if (!m_handable.wait_for(lock, timeout, [&slot] { return slot.done.load(); }))
            return std::nullopt;
    }
    ++m_handed;
    return std::move(slot.result);
}

void BatchRun::stop()
{
    m_stopping = true;
    m_workers.clear(); // joins
}

const RunResult* BatchRun::finishedResult(std::size_t index) const
{
    const Slot& slot = m_slots.at(index);
    return slot.done && slot.result.status != RunStatus::Cancelled ? &slot.result : nullptr;
}

void BatchRun::cutPieces()
{
    std::unordered_map<std::string, std::size_t> folders;
    for (std::size_t i = 0; i < m_inputs.size(); ++i) {
        const std::string& path = m_inputs[i].path;
        const std::string folder = comparablePath(path.substr(0, fileNameStart(path)));
        const std::size_t id = folders.try_emplace(folder, folders.size()).first->second;
        if (m_pieces.empty() || m_pieces.back().folder != id || m_pieces.back().end - m_pieces.back().begin == kPieceSize)
            m_pieces.push_back({i, i, id});
        ++m_pieces.back().end;
    }
    m_workersInFolder.assign(folders.size(), 0);
}

BatchRun::Piece* BatchRun::takePiece(const Piece* done)
{
    const std::lock_guard lock(m_mutex);
    if (done != nullptr)
        --m_workersInFolder[done->folder];
    while (m_firstUntaken < m_pieces.size() && m_pieces[m_firstUntaken].taken)
        ++m_firstUntaken;
    if (m_firstUntaken == m_pieces.size() || stopping())
        return nullptr;
    Piece* chosen = &m_pieces[m_firstUntaken];
    const std::size_t last = std::min(m_pieces.size(), m_firstUntaken + kLookAhead);
    for (std::size_t i = m_firstUntaken; i < last; ++i) {
        Piece& piece = m_pieces[i];
        if (!piece.taken && m_workersInFolder[piece.folder] == 0) {
            chosen = &piece;
            break;
        }
    }
    chosen->taken = true;
    ++m_workersInFolder[chosen->folder];
    return chosen;
}

void BatchRun::work()
{
    RunWorkspace workspace;
    for (const Piece* piece = takePiece(nullptr); piece != nullptr; piece = takePiece(piece)) {
        for (std::size_t index = piece->begin; index < piece->end && !stopping(); ++index) {
            RunResult result;
            try {
                result = runOne(index, workspace);
            } catch (const std::exception& error) { // out of memory for a path: that file cannot be written
                result = {RunStatus::CannotWrite, {}, error.what()};
            }
            finish(index, std::move(result));
        }
    }
}

bool BatchRun::stopping() const
{
    return m_stopping.load(std::memory_order_relaxed) || m_cancel.load(std::memory_order_relaxed) != 0;
}

RunResult BatchRun::runOne(std::size_t index, RunWorkspace& workspace)
{
    const BatchInput& input = m_inputs[index];
    if (input.refusal != BatchInput::Refusal::None)
        return {RunStatus::CannotRead, {}, {}}; // reported from the input's refusal
    if (!outputFileName(input.path, m_preset.OutSuffix))
        return {RunStatus::CannotRead, {}, kNoMidiMark};
    clearFileError();
    RunResult result = MIRRORInline(input.path, m_preset, [this] { return !stopping(); }, workspace);
    // The failed call's error outlives the run's clean-up, which only closes and removes.
    std::string writeError = result.status == RunStatus::CannotWrite ? fileError() : std::string();
    if (result.detail.empty()) {
        if (result.status == RunStatus::CannotRead)
            result.detail = openFailure(input.path);
        else
            result.detail = std::move(writeError);
    }
    return result;
}

void BatchRun::finish(std::size_t index, RunResult result)
{
    Slot& slot = m_slots[index];
    slot.result = std::move(result);
    slot.done = true;
    // Woken for a batch of results, not each one: a wake-up per small file would cost more
    // than the file. Whatever is left is picked up when the caller's wait times out.
    const std::size_t finished = ++m_finishedCount;
    if (finished % kResultsPerWakeUp == 0 || finished == m_slots.size())
        wake(m_handable);
}

void BatchRun::wake(std::condition_variable& waiters)
{
    // Through the lock, so that the change lands before a waiter's check or after it has
    // started waiting, never in between.
    { const std::lock_guard lock(m_mutex); }
    waiters.notify_all();
}

} // namespace tonvex::cli
