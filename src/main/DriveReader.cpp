#include "main/DriveReader.h"

#include <mutex>
#include <vector>

namespace kelvr {

// One drive. Every query of a drive runs on its drive's thread, one after another: a drive
// that hangs is asked nothing more until it answers.
struct DriveReader::Drive {
    char letter;
    std::string entry;
    services::DiskFigures figures;
    bool entryIn = false;        // `entry` has come
    bool figuresIn = false;      // `figures` have come in this round
    bool entryWanted = false;    // queued behind the running query
    bool figuresWanted = false;  // likewise
    Query running = Query::None;
    bool slow = false;  // has outlasted a wait and not yet caught up
};

// What the drives' threads share with the windows' thread; its fields are guarded by `mutex`
// but `answered`, which only the windows' thread touches.
struct DriveReader::State {
    std::mutex mutex;
    forms::FormHost* host;  // null once the reader has gone: nothing more is posted
    std::shared_ptr<const services::DriveSource> source;
    std::shared_ptr<services::DiskQuery> disks;
    std::vector<Drive> drives;
    bool news = false;
    std::function<void()> answered;
};

DriveReader::DriveReader(forms::FormHost& host, std::shared_ptr<const services::DriveSource> source,
                         std::shared_ptr<services::DiskQuery> disks, std::function<void()> answered)
    : state_(std::make_shared<State>()) {
    state_->host = &host;
    state_->source = std::move(source);
    state_->disks = std::move(disks);
    state_->answered = std::move(answered);
}

DriveReader::~DriveReader() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->host = nullptr;
    state_->answered = nullptr;
}

void DriveReader::Start() {
    const std::vector<char> letters = state_->source->Letters();
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->drives.clear();
    for (char letter : letters) {
        Drive d;
        d.letter = letter;
        d.entryWanted = true;
        state_->drives.push_back(d);
    }
    for (std::size_t i = 0; i < state_->drives.size(); ++i) Schedule(state_, i);
}

int DriveReader::Count() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return static_cast<int>(state_->drives.size());
}

void DriveReader::AskFigures() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (std::size_t i = 0; i < state_->drives.size(); ++i) {
        Drive& d = state_->drives[i];
        d.figuresIn = false;
        if (d.running != Query::Figures)
            d.figuresWanted = true;
        Schedule(state_, i);
    }
}

// A drive with no query running has answered all it was asked, or could not be asked (no
// thread to spare): either way there is nothing to wait for.
bool DriveReader::Answered() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (const Drive& d : state_->drives)
        if (!d.slow && d.running != Query::None)
            return false;
    return true;
}

void DriveReader::StopWaiting() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (Drive& d : state_->drives)
        if ((!d.entryIn || !d.figuresIn) && d.running != Query::None)
            d.slow = true;
}

std::string DriveReader::Entry(int i) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Drive& d = state_->drives.at(i);
    return d.entryIn ? d.entry : forms::LetterEntry(d.letter);
}

services::DiskFigures DriveReader::Figures(int i) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Drive& d = state_->drives.at(i);
    return d.figuresIn ? d.figures : services::DiskFigures{};
}

bool DriveReader::TakeNews() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const bool news = state_->news;
    state_->news = false;
    return news;
}

void DriveReader::Schedule(const std::shared_ptr<State>& state, std::size_t i) {
    Drive& d = state->drives[i];
    if (d.running != Query::None || !state->host)
        return;
    Query next = Query::None;
    if (d.entryWanted)
        next = Query::Entry;
    else if (d.figuresWanted)
        next = Query::Figures;
    if (next == Query::None)
        return;
    (next == Query::Entry ? d.entryWanted : d.figuresWanted) = false;
    d.running = next;
    if (!state->host->RunAside([state, i, next] { Serve(state, i, next); })) {
        // Tried again in the next round.
        (next == Query::Entry ? d.entryWanted : d.figuresWanted) = true;
        d.running = Query::None;
    }
}

// The drive's thread: runs the query, files the answer, tells the windows' thread, and goes
// on with the drive's next query, if one is queued.
void DriveReader::Serve(const std::shared_ptr<State>& state, std::size_t i, Query query) {
    char letter;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        letter = state->drives[i].letter;
    }
    while (query != Query::None) {
        std::string entry;
        services::DiskFigures figures;
        if (query == Query::Entry)
            entry = state->source->Entry(letter);
        else
            figures = state->disks->Query(std::string(1, letter) + ":\\");

        std::lock_guard<std::mutex> lock(state->mutex);
        Drive& d = state->drives[i];
        if (query == Query::Entry) {
            d.entry = entry;
            d.entryIn = true;
        } else {
            d.figures = figures;
            d.figuresIn = true;
        }
        state->news = true;
        query = !state->host      ? Query::None  // the program is ending
                : d.entryWanted   ? Query::Entry
                : d.figuresWanted ? Query::Figures
                                  : Query::None;
        if (query == Query::None) {
            d.running = Query::None;
            d.slow = false;  // caught up
        } else {
            (query == Query::Entry ? d.entryWanted : d.figuresWanted) = false;
            d.running = query;
        }
        if (state->host)
            state->host->Post([state] {
                if (state->answered)
                    state->answered();
            });
    }
}

}  // namespace kelvr
