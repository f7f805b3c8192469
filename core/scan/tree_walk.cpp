#include "core/scan/tree_walk.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>
#include <utility>

namespace gauzel {

// A share's directory whose entries the readers size one by one.
struct TreeWalk::Sizing {
    std::shared_ptr<Directory> directory;
    EntriesToSize entries;
    std::size_t next = 0;  // the next entry to hand out
    std::size_t left = 0;  // entries not sized yet
    double micros = 0;     // waited: the listing, and each size
};

struct TreeWalk::Node {
    enum class State { kReading, kRead, kRetry };
    State state = State::kReading;
    int openError = 0;
    DirectoryContents contents;            // without its subdirectories: they are the children
    std::shared_ptr<Directory> directory;  // while its subdirectories may be opened from it
    std::vector<Pending> children;
    std::unique_ptr<Sizing> sizing;  // while the readers size its entries
    std::string below;               // its path below the profiled directory, when patterns need it
};

// A directory read, made ready for the walk outside its lock.
struct TreeWalk::Read {
    DirectoryContents contents;  // without its subdirectories
    std::vector<Pending> children;
    std::shared_ptr<Directory> directory;  // kept while its subdirectories may be opened from it
    int openError = 0;
    double waited = 0;   // microseconds an entry, when the read waited
    bool retry = false;  // no descriptor was left to open it
};

namespace {

// Wall time since `start`: how long a read waits on the disk or the network, whatever the cores do.
double MicrosSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// Subdirectories are visited in reverse listing order, and a level takes its next from the back.
// `below`: the directory's path below the profiled one, when patterns on paths need its children's.
template <typename Pending>
std::vector<Pending> ToPending(std::vector<std::string> names, const std::string* below) {
    std::vector<Pending> pending;
    pending.reserve(names.size());
    for (std::string& name : names) {
        std::string path = below == nullptr ? std::string() : below->empty() ? name : *below + '/' + name;
        pending.push_back({std::move(name), nullptr, std::move(path)});
    }
    return pending;
}

}  // namespace

TreeWalk::TreeWalk(std::shared_ptr<FileSystem> fileSystem, ReaderPool pool, int threads, Counting counting,
                   bool callerReads, bool record)
    : m_fileSystem(std::move(fileSystem)),
      m_pool(std::move(pool)),
      m_callerReads(callerReads),
      m_record(record),
      m_counting(std::move(counting)),
      m_threads(threads) {}
TreeWalk::~TreeWalk() = default;

bool TreeWalk::Run(std::shared_ptr<Directory> root, const std::string& rootPath,
                   const std::vector<std::string>& names, const Visit& visit, const Reach& reach,
                   const KeepGoing& keepGoing) {
    if (names.empty()) return true;
    const MutexLock lock(m_mutex);
    Begin(std::move(root), rootPath.size(), names);
    std::string path = rootPath;
    while (!m_levels.empty()) {
        const std::size_t at = m_levels.size() - 1;
        Pending next = TakeNext(at);
        const std::size_t entry = m_entriesTaken - 1;  // the tree it lies in
        path.resize(m_levels[at].pathLength);
        path += '\\';
        path += next.name;
        std::unique_ptr<Node> node = std::move(next.ahead);
        const bool ready = node && node->state == Node::State::kRead;
        if (!ready) {
            m_mutex.Unlock();
            reach(path);
            m_mutex.Lock();
        }
        bool urgent = false;
        if (!Await(node, at, next, path, urgent, keepGoing)) return Stop(std::move(node));
        std::shared_ptr<Directory> done = Advance(*node, at, path, urgent);
        m_mutex.Unlock();
        done.reset();  // a finished level's directory is closed outside the lock
        if (ready) reach(path);
        visit(entry, path, node->contents, node->openError);
        node.reset();
        const bool go = keepGoing();
        m_mutex.Lock();
        if (!go) return Stop(nullptr);
    }
    EndReaders();
    return true;
}

void TreeWalk::Begin(std::shared_ptr<Directory> root, std::size_t rootLength,
                     const std::vector<std::string>& names) {
    const int fit = std::max(m_threads > 0 ? m_threads : ReadersThatFit(root->Kind()), 1);
    m_threads = fit - (m_callerReads ? 1 : 0);
    m_eager = std::min(fit, Cores()) - (m_callerReads ? 1 : 0);
    m_entryNames = &names;
    m_entriesQueued = 0;
    m_entriesTaken = 0;
    m_levels.push_back({std::move(root), {}, rootLength, true});
    QueueEntries();
    StartReaders(m_eager);
}

TreeWalk::Pending TreeWalk::TakeNext(std::size_t at) {
    Pending next = std::move(m_levels[at].pending.back());
    m_levels[at].pending.pop_back();
    if (m_levels[at].entries) {
        ++m_entriesTaken;
        QueueEntries();
    }
    return next;
}

bool TreeWalk::Await(std::unique_ptr<Node>& node, std::size_t at, const Pending& next,
                     const std::string& path, bool& urgent, const KeepGoing& keepGoing) {
    const std::string& name = next.name;
    // Not read ahead, or the read-ahead ran out of descriptors (before the walk took it, or
    // while it waits): the first reader free reads it, or the walk itself where it may. Its
    // level stays until then, since the open may need it.
    if (!node) {
        node = std::make_unique<Node>();
        node->state = Node::State::kRetry;
        node->below = next.below;
    }
    Node& awaited = *node;
    m_awaited = &awaited;
    while (awaited.state != Node::State::kRead) {
        if (awaited.state == Node::State::kRetry) {
            urgent = true;
            awaited.state = Node::State::kReading;
            m_urgent = {&awaited, at, name, path};
            if (m_callerReads || m_readers == 0) {
                ReadUrgent();  // here: the walk may read, or no thread could be started
            } else {
                m_work.notify_one();
                m_reserve.notify_one();  // a reader beyond the cores takes it as well
            }
            continue;
        }
        // A walk that may read sizes entries and reads ahead itself rather than wait; so does
        // one that has no reader.
        if ((m_callerReads || m_readers == 0) && !m_sizing.empty()) {
            SizeNext();
            continue;
        }
        Candidate candidate = m_callerReads && !m_starved ? FindCandidate() : Candidate{};
        if (candidate.pending != nullptr) {
            ReadAhead(candidate);
            continue;
        }
        const auto read = [&awaited] { return awaited.state != Node::State::kReading; };
        if (!WaitAsking(m_ready, m_mutex, read, keepGoing)) return false;
    }
    m_awaited = nullptr;
    return true;
}

std::shared_ptr<Directory> TreeWalk::Advance(Node& node, std::size_t at, const std::string& path,
                                             bool urgent) {
    std::shared_ptr<Directory> done;
    if (m_levels[at].pending.empty()) PopLevel(done);
    // The window moved on by one: one more directory may be read ahead. Idle readers are woken
    // when a few have come free, so that each wake-up reads several. The subdirectories of a
    // directory read urgently are new to the readers: any idle one may take them at once.
    const bool fresh = urgent && !node.children.empty();
    if (!node.children.empty())
        m_levels.push_back({std::move(node.directory), std::move(node.children), path.size(), false});
    if (fresh || ++m_stepsSinceWake == kWakeAfterSteps) {
        m_stepsSinceWake = 0;
        Wake(static_cast<std::size_t>(m_threads));
    }
    return done;
}

bool TreeWalk::Stop(std::unique_ptr<Node> node) {
    // The readers end after what they are reading, which nobody uses; the node being read, if
    // any, stays with the walk, which its reader keeps alive.
    if (node) m_abandoned.push_back(std::move(node));
    EndReaders();
    return false;
}

void TreeWalk::EndReaders() {
    m_finished = true;
    m_entryNames = nullptr;  // the caller's: a reader left behind never sees them
    m_work.notify_all();
    m_reserve.notify_all();
}

void TreeWalk::StartReaders(int count) {
    while (!m_finished && m_readers < count) {
        const bool eager = m_readers < m_eager;
        // Without a thread to be had, the walk reads with the readers already there.
        if (!m_pool.Run([self = shared_from_this(), eager] { self->Work(eager); })) return;
        ++m_readers;
    }
}

void TreeWalk::PopLevel(std::shared_ptr<Directory>& directory) {
    directory = std::move(m_levels.back().directory);
    m_levels.pop_back();
}

void TreeWalk::QueueEntries() {
    // The entries are walked in listing order, the next at the back of the level. A directory may
    // have a hundred thousand of them: only the next few are queued at a time, the later ones in
    // front of those.
    std::vector<Pending>& pending = m_levels.front().pending;
    const std::size_t left = m_entryNames->size() - m_entriesQueued;
    if (pending.size() > Window() || left == 0) return;
    const std::size_t count = std::min(2 * Window(), left);
    std::vector<Pending> queued;
    queued.reserve(count + pending.size());
    for (std::size_t i = count; i-- > 0;) {
        const std::string& name = (*m_entryNames)[m_entriesQueued + i];
        queued.push_back({name, nullptr, PatternsOnPaths() ? name : std::string()});
    }
    std::move(pending.begin(), pending.end(), std::back_inserter(queued));
    pending = std::move(queued);
    m_entriesQueued += count;
}

void TreeWalk::Wake(std::size_t readers) {
    const bool slow = Waiting();
    for (std::size_t i = 0; i < readers; ++i) {
        m_work.notify_one();
        if (slow) m_reserve.notify_one();
    }
}

void TreeWalk::Work(bool eager) {
    const MutexLock lock(m_mutex);
    for (;;) {
        Candidate candidate;
        m_mutex.Wait(eager ? m_work : m_reserve, [&]() REQUIRES(m_mutex) {
            if (m_finished || m_urgent.node != nullptr || !m_sizing.empty()) return true;
            if (m_starved || (!eager && !Waiting())) return false;
            candidate = FindCandidate();
            return candidate.pending != nullptr;
        });
        if (m_finished) return;
        if (m_urgent.node != nullptr)
            ReadUrgent();
        else if (!m_sizing.empty())
            SizeNext();
        else
            ReadAhead(candidate);
    }
}

void TreeWalk::ReadAhead(Candidate& candidate) {
    candidate.pending->ahead = std::make_unique<Node>();
    Node* node = candidate.pending->ahead.get();
    node->below = candidate.pending->below;
    const std::string name = candidate.pending->name;
    m_mutex.Unlock();
    const auto start = std::chrono::steady_clock::now();
    Opened opened = candidate.parent->OpenSubdirectory(name);
    candidate.parent.reset();
    m_mutex.Lock();
    Store(node, std::move(opened), true, start);
}

void TreeWalk::ReadUrgent() {
    const Urgent job = std::exchange(m_urgent, {});
    const auto start = std::chrono::steady_clock::now();
    Opened opened;
    if (std::shared_ptr<Directory> parent = m_levels[job.at].directory) {
        m_mutex.Unlock();
        opened = parent->OpenSubdirectory(job.name);
        parent.reset();
        m_mutex.Lock();
    }
    if (m_finished) return;  // stopped meanwhile: the levels are no longer walked
    // A level given back, or no descriptor left: from the nearest open level, or the drive.
    if (!opened.directory && (opened.error == 0 || OutOfDescriptors(opened.error)))
        opened = OpenBelow(job.at, job.name, job.path);
    Store(job.node, std::move(opened), false, start);
}

void TreeWalk::Store(Node* node, Opened opened, bool mayRetry, std::chrono::steady_clock::time_point start) {
    const bool waits = Waiting();
    m_mutex.Unlock();
    const bool retry = mayRetry && OutOfDescriptors(opened.error);
    std::shared_ptr<Directory> directory = std::move(opened.directory);
    DirectoryContents contents;
    if (directory && !retry && directory->Kind() == Medium::kShare) {
        auto sizing = std::make_unique<Sizing>();
        sizing->directory = std::move(directory);
        const std::size_t from = ListOnShare(*sizing, waits, start);
        if (from < sizing->entries.names.size()) {
            m_mutex.Lock();
            HandOut(node, std::move(sizing), from);
            return;
        }
        contents = sizing->entries.Contents(m_counting, m_record, node->below);
        directory = std::move(sizing->directory);
    } else if (!retry) {
        contents = ReadDirectory(directory.get(), m_counting, 1, nullptr, m_record, node->below);
    }
    LeaveOutIfCache(directory.get(), contents);
    Read read = Prepared(*node, std::move(contents), std::move(directory), opened.error, MicrosSince(start));
    read.retry = retry;
    m_mutex.Lock();
    Settle(node, std::move(read));
}

std::size_t TreeWalk::ListOnShare(Sizing& sizing, bool waits, std::chrono::steady_clock::time_point start) {
    EntriesToSize& entries = sizing.entries;
    const auto listing = std::chrono::steady_clock::now();
    entries.ListNames(*sizing.directory);
    const auto count = entries.names.size();
    // Wall time: a listing or a size that waits on a share says the rest will. Sized here while
    // they come at once; from the first that waits, each is left to a reader.
    bool slow = waits || ReadsWait(MicrosSince(listing) / static_cast<double>(count + 1));
    std::size_t from = 0;
    while (!slow && from < count) {
        const auto before = std::chrono::steady_clock::now();
        entries.Size(*sizing.directory, from++);
        slow = ReadsWait(MicrosSince(before));
    }
    entries.status.waited = slow;
    sizing.micros = MicrosSince(start);
    return from;
}

void TreeWalk::HandOut(Node* node, std::unique_ptr<Sizing> sizing, std::size_t from) {
    const std::size_t left = sizing->entries.names.size() - from;
    sizing->next = from;
    sizing->left = left;
    node->sizing = std::move(sizing);
    m_sizing.push_back(node);
    // The walk knows now that reads wait, and every reader may help.
    if (!Waiting()) {
        m_microsPerEntry = 2 * kWaitingMicrosPerEntry;
        StartReaders(m_threads);
    }
    Wake(std::min(left, static_cast<std::size_t>(m_threads)));
}

void TreeWalk::SizeNext() {
    Node* const node = m_sizing.front();
    Sizing& sizing = *node->sizing;
    const std::size_t i = sizing.next++;
    if (sizing.next == sizing.entries.names.size()) m_sizing.pop_front();
    m_mutex.Unlock();
    const auto start = std::chrono::steady_clock::now();
    sizing.entries.Size(*sizing.directory, i);
    const double micros = MicrosSince(start);
    m_mutex.Lock();
    sizing.micros += micros;
    if (--sizing.left != 0) return;
    // The last one in reads the sizes into the directory's contents, in listing order.
    std::unique_ptr<Sizing> sized = std::move(node->sizing);
    m_mutex.Unlock();
    DirectoryContents contents = sized->entries.Contents(m_counting, m_record, node->below);
    LeaveOutIfCache(sized->directory.get(), contents);
    Read read = Prepared(*node, std::move(contents), std::move(sized->directory), 0, sized->micros);
    sized.reset();
    m_mutex.Lock();
    Settle(node, std::move(read));
}

TreeWalk::Read TreeWalk::Prepared(const Node& node, DirectoryContents contents,
                                  std::shared_ptr<Directory> directory, int openError, double micros) {
    Read read;
    const std::size_t entries = 1 + contents.subdirs.size() + contents.files;
    // A read that never slept came from memory, however long a busy core kept it.
    read.waited = contents.status.waited ? micros / static_cast<double>(entries) : 0;
    read.openError = directory ? 0 : openError;
    read.children =
        ToPending<Pending>(std::move(contents.subdirs), PatternsOnPaths() ? &node.below : nullptr);
    // Kept while its subdirectories may be opened from it, or to be listed again; else closed
    // here, outside the walk's lock.
    if (!read.children.empty() || contents.tooManyToKeep) read.directory = std::move(directory);
    if (contents.tooManyToKeep) contents.listAgain = read.directory;
    read.contents = std::move(contents);
    return read;
}

void TreeWalk::Settle(Node* node, Read read) {
    const bool wasSlow = Waiting();
    m_microsPerEntry += (read.waited - m_microsPerEntry) / 16;
    if (!wasSlow && Waiting()) {  // the rest may help now
        StartReaders(m_threads);
        m_reserve.notify_all();
    }
    if (read.retry) {
        node->state = Node::State::kRetry;
        m_starved = true;
    } else {
        node->openError = read.openError;
        node->contents = std::move(read.contents);
        node->directory = std::move(read.directory);
        node->children = std::move(read.children);
        node->state = Node::State::kRead;
    }
    if (node == m_awaited) m_ready.notify_one();  // the walk waits there, for this one only
    // As many readers as there are new directories to read, but the one it takes itself.
    if (node->children.size() > 1)
        Wake(std::min(node->children.size() - 1, static_cast<std::size_t>(m_threads)));
}

std::size_t TreeWalk::Window() const { return Waiting() ? kWaitingReadAheadWindow : kReadAheadWindow; }

TreeWalk::Candidate TreeWalk::FindCandidate() {
    // The first directory not yet read, in the walk's order, within the window.
    std::size_t budget = Window();
    Candidate found;
    for (std::size_t level = m_levels.size(); level-- > 0 && budget > 0;) {
        std::vector<Pending>& pending = m_levels[level].pending;
        for (std::size_t i = pending.size(); i-- > 0 && budget > 0;)
            if (FindIn(pending[i], m_levels[level].directory, budget, found)) return found;
    }
    return found;
}

bool TreeWalk::FindIn(Pending& pending, const std::shared_ptr<Directory>& parent, std::size_t& budget,
                      Candidate& found) {
    --budget;
    if (!pending.ahead) {
        if (!parent) return false;  // given back: the walk reopens it when it gets there
        found = {&pending, parent};
        return true;
    }
    Node& node = *pending.ahead;
    if (node.state != Node::State::kRead) return false;
    for (std::size_t i = node.children.size(); i-- > 0 && budget > 0;)
        if (FindIn(node.children[i], node.directory, budget, found)) return true;
    return false;
}

Opened TreeWalk::RetryOpen(std::size_t keep, const std::function<Opened()>& open) {
    Opened opened = open();
    if (opened.directory || !OutOfDescriptors(opened.error)) return opened;
    // Give back every descriptor the walk holds but the first level's and `keep`'s, and stop
    // reading ahead; then try once more.
    m_starved = true;
    for (std::size_t i = 0; i < m_levels.size(); ++i) {
        if (i != 0 && i != keep) m_levels[i].directory.reset();
        GiveBackAhead(m_levels[i].pending);
    }
    return open();
}

void TreeWalk::GiveBackAhead(std::vector<Pending>& pending) {
    for (Pending& each : pending) {
        if (!each.ahead || each.ahead->state != Node::State::kRead) continue;
        each.ahead->directory.reset();
        GiveBackAhead(each.ahead->children);
    }
}

int TreeWalk::ReopenLevel(std::size_t at, const std::string& path) {
    // From the nearest open level above; when none is, this level by its logical path.
    std::size_t above = at;
    while (above > 0 && !m_levels[above - 1].directory) --above;
    if (above == 0) {
        const std::string logical = path.substr(0, m_levels[at].pathLength);
        Opened opened = RetryOpen(at, [&] { return m_fileSystem->OpenDirectory(logical); });
        if (!opened.directory) return opened.error;
        m_levels[at].directory = std::move(opened.directory);
        return 0;
    }
    // Name by name down to it; the levels on the way keep their directories while they have
    // subdirectories left, so the next reopen starts nearer.
    std::shared_ptr<Directory> current = m_levels[above - 1].directory;
    std::size_t length = m_levels[above - 1].pathLength;
    const std::size_t target = m_levels[at].pathLength;
    while (length < target) {
        const std::size_t begin = length + 1;
        const std::size_t end = std::min(path.find('\\', begin), target);
        const std::string name = path.substr(begin, end - begin);
        Opened opened = RetryOpen(at, [&] { return current->OpenSubdirectory(name); });
        if (!opened.directory) return opened.error;
        current = std::move(opened.directory);
        length = end;
        while (m_levels[above].pathLength < length) ++above;
        if (m_levels[above].pathLength == length) m_levels[above].directory = current;
    }
    return 0;
}

Opened TreeWalk::OpenBelow(std::size_t at, const std::string& name, const std::string& path) {
    if (!m_levels[at].directory)
        if (const int error = ReopenLevel(at, path); error != 0) return {nullptr, error};
    const std::shared_ptr<Directory> parent = m_levels[at].directory;
    return RetryOpen(at, [&] { return parent->OpenSubdirectory(name); });
}

}  // namespace gauzel
