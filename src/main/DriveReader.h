// The drives as the main window reads them. Each drive's entry and figures are asked for on a
// thread of its own, so that a drive that does not answer (an unreachable share, a disk
// spinning up, a hung driver) holds up nothing but itself: the window waits for all drives
// at once, up to one bound, files what has come and files the rest as it comes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "forms/DriveList.h"
#include "forms/Runtime.h"
#include "services/DiskQuery.h"
#include "services/DriveSource.h"

namespace kelvr {

class DriveReader {
  public:
    // `answered` runs on the windows' thread, at the next turn of the message loop after a
    // drive has answered anything (never during a wait).
    DriveReader(forms::FormHost& host, std::shared_ptr<const services::DriveSource> source,
                std::shared_ptr<services::DiskQuery> disks, std::function<void()> answered);
    // Queries still running are left to end on their own; what they use lives as long.
    ~DriveReader();
    DriveReader(const DriveReader&) = delete;
    DriveReader& operator=(const DriveReader&) = delete;

    // Reads the drive letters and asks every drive for its entry. Once.
    void Start();
    int Count() const;

    // A new round: asks every drive for its figures, unless its figures are asked already
    // and have yet to come, in which case that answer serves this round too.
    void AskFigures();
    // Whether every drive has answered all it was asked, leaving out the drives known to be
    // slow and those that could not be asked.
    bool Answered() const;
    // The wait for the answers is over: the drives that have not answered are known to be
    // slow, and no round waits for them again until they have caught up.
    void StopWaiting();

    // What has come so far, by the drive's place in the list (from 0): its entry, or its
    // letter alone ("x:"); its figures in this round, or zero.
    std::string Entry(int i) const;
    services::DiskFigures Figures(int i) const;
    // True when an answer has come since the last call.
    bool TakeNews();

  private:
    struct Drive;
    struct State;
    enum class Query { None, Entry, Figures };
    // Starts the next query that drive `i` waits for, unless one runs. Under the lock.
    static void Schedule(const std::shared_ptr<State>& state, std::size_t i);
    static void Serve(const std::shared_ptr<State>& state, std::size_t i, Query query);

    std::shared_ptr<State> state_;
};

}  // namespace kelvr
