#include "virtual_printer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "frame.h"
#include "line_channel.h"
#include "pty_line.h"
#include "udp_line.h"
#include "wire_timing.h"

namespace {

using Clock = std::chrono::steady_clock;

// Larger than any frame, so one read takes whole frames when they are there.
constexpr size_t kReadChunk = 4096;
// Replies up to this size are handed over in one piece.
constexpr size_t kWholeReplyBytes = 64;
// A block at a multiple of this address starts a new flash sector.
constexpr uint32_t kSectorSize = 4096;

void Garble(std::vector<uint8_t>& bytes) {
    for (uint8_t& b : bytes)
        b = GarbleByte(b);
}

}  // namespace

std::string ValidateSimOptions(const SimOptions& options) {
    if (options.identity.empty())
        return "the identity must not be empty";
    if (!IsPrinterRate(options.rate))
        return std::to_string(options.rate) +
               " bit/s is not a printer rate (1200, 2400, 4800, 9600, 19200, 38400, 57600, "
               "115200, 230400, 460800 or 921600)";
    if (options.eraseMs < 0)
        return "the erase time must not be negative";
    if (options.latencyMs < 0 || options.latencyMs > 255)
        return "the latency timer must be 0 to 255 ms";
    if (IsTakenCommandCode(options.logoCommand)) {
        char text[80];
        std::snprintf(text, sizeof text, "the logo command 0x%02X is taken by another command",
                      static_cast<unsigned>(options.logoCommand));
        return text;
    }
    return "";
}

VirtualPrinter::VirtualPrinter(SimOptions options)
    : options_(std::move(options)),
      created_(Clock::now()),
      device_(options_.identity, options_.rate, options_.logoCommand) {}

VirtualPrinter::~VirtualPrinter() {
    Stop();
}

bool VirtualPrinter::StartPty(std::string& error) {
    if (std::string wrong = ValidateSimOptions(options_); !wrong.empty()) {
        error = wrong;
        return false;
    }
    std::unique_ptr<PtyLine> line = PtyLine::Open(options_.rate, error);
    if (!line)
        return false;
    const std::string path = line->SlavePath();
    if (!Begin(std::move(line), error))
        return false;
    std::lock_guard lock(mutex_);
    slavePath_ = path;
    return true;
}

bool VirtualPrinter::StartUdp(const std::string& host, uint16_t port, std::string& error) {
    if (std::string wrong = ValidateSimOptions(options_); !wrong.empty()) {
        error = wrong;
        return false;
    }
    std::unique_ptr<UdpLine> line = UdpLine::Open(host, port, error);
    if (!line)
        return false;
    const uint16_t bound = line->Port();
    if (!Begin(std::move(line), error))
        return false;
    std::lock_guard lock(mutex_);
    udpPort_ = bound;
    return true;
}

bool VirtualPrinter::Begin(std::unique_ptr<LineChannel> line, std::string& error) {
    if (started_) {
        error = "this virtual printer has been started already";
        return false;
    }
    if (std::string wrong = ValidateSimOptions(options_); !wrong.empty()) {
        error = wrong;
        return false;
    }
    if (!options_.stateDir.empty()) {
        auto files = std::make_unique<SimStateFiles>();
        if (!files->Open(options_.stateDir, created_, error))
            return false;
        std::lock_guard lock(mutex_);
        files->WriteState(Snapshot());
        stateFiles_ = std::move(files);
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot create the printer's wake-up pipe";
        return false;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    line_ = std::move(line);
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    started_ = true;
    thread_ = std::thread(&VirtualPrinter::Serve, this);
    return true;
}

void VirtualPrinter::Stop() {
    if (!started_)
        return;
    if (wakeWrite_ >= 0) {
        const uint8_t wake = 1;
        // The pipe stays readable from now on: every later wait ends at once.
        (void)!::write(wakeWrite_, &wake, 1);
    }
    if (thread_.joinable())
        thread_.join();
    line_.reset();
    for (int* fd : {&wakeRead_, &wakeWrite_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    changed_.notify_all();
}

bool VirtualPrinter::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

std::string VirtualPrinter::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

uint16_t VirtualPrinter::UdpPort() const {
    std::lock_guard lock(mutex_);
    return udpPort_;
}

void VirtualPrinter::SetFaults(const SimFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    commandsSinceFaults_ = 0;
    blocksSinceFaults_ = 0;
}

SimFaults VirtualPrinter::Faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void VirtualPrinter::SetCommandObserver(std::function<void(const ReceivedCommand&)> observer) {
    observer_ = std::move(observer);
}

std::vector<ReceivedCommand> VirtualPrinter::Commands() const {
    std::lock_guard lock(mutex_);
    if (log_.size() < kLogCapacity)
        return log_;
    std::vector<ReceivedCommand> ordered(log_.begin() + static_cast<long>(logNext_), log_.end());
    ordered.insert(ordered.end(), log_.begin(), log_.begin() + static_cast<long>(logNext_));
    return ordered;
}

size_t VirtualPrinter::CommandCount() const {
    std::lock_guard lock(mutex_);
    return handled_;
}

bool VirtualPrinter::WaitForCommands(size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    return changed_.wait_until(lock, deadline, [&] { return handled_ >= count; });
}

uint32_t VirtualPrinter::Rate() const {
    std::lock_guard lock(mutex_);
    return device_.Rate();
}

SimMode VirtualPrinter::Mode() const {
    std::lock_guard lock(mutex_);
    return device_.Mode();
}

SimSettings VirtualPrinter::Settings() const {
    std::lock_guard lock(mutex_);
    return device_.Settings();
}

std::map<uint16_t, std::vector<uint8_t>> VirtualPrinter::Memory() const {
    std::lock_guard lock(mutex_);
    return device_.Memory();
}

bool VirtualPrinter::FirmwareAccepted() const {
    std::lock_guard lock(mutex_);
    return device_.FirmwareAccepted();
}

uint64_t VirtualPrinter::DiscardedBytes() const {
    std::lock_guard lock(mutex_);
    return discarded_;
}

size_t VirtualPrinter::UnknownCommandCount() const {
    std::lock_guard lock(mutex_);
    return unknown_;
}

SimStateSnapshot VirtualPrinter::Snapshot() const {
    SimStateSnapshot s;
    s.rate = device_.Rate();
    s.mode = device_.Mode();
    s.firmwareAccepted = device_.FirmwareAccepted();
    s.settings = device_.Settings();
    for (const auto& [code, image] : device_.Memory())
        s.memorySizes[code] = image.size();
    s.commandsHandled = handled_;
    s.discardedBytes = discarded_;
    return s;
}

bool VirtualPrinter::PauseUntil(Clock::time_point deadline) const {
    // Wire times are fractions of a millisecond: a wake-up that comes late
    // by a tenth of one shows in every block. Sleep to just before the
    // deadline, then yield until it.
    constexpr auto kSpin = std::chrono::microseconds(150);
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left.count() <= 0)
            return true;
        if (left <= kSpin) {
            std::this_thread::yield();
            continue;
        }
        const auto capped = std::min<Clock::duration>(left - kSpin, std::chrono::seconds(60));
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(capped);
        const auto nanoseconds =
            std::chrono::duration_cast<std::chrono::nanoseconds>(capped - seconds);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>(nanoseconds.count())};
        pollfd p{wakeRead_, POLLIN, 0};
        if (ppoll(&p, 1, &wait, nullptr) > 0)
            return false;
    }
}

void VirtualPrinter::Serve() {
    // Paced waits are fractions of a millisecond: no timer slack for them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    CommandFrameParser parser;
    for (;;) {
        pollfd fds[2] = {{line_->Fd(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[1].revents != 0)
            break;
        // A hang-up with nothing left to read: no one holds the other side.
        if ((fds[0].revents & (POLLIN | POLLHUP)) == POLLHUP)
            break;
        if (fds[0].revents != 0 && !ReadLine(parser))
            break;
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    changed_.notify_all();
}

bool VirtualPrinter::ReadLine(CommandFrameParser& parser) {
    std::vector<uint8_t> bytes(kReadChunk);
    const int count = line_->Read(bytes.data(), bytes.size());
    if (count < 0)
        return false;
    bytes.resize(static_cast<size_t>(count));
    auto time = Clock::now();
    std::vector<CommandFrameIn> frames;
    if (!line_->IsStream()) {
        // Each datagram stands alone: nothing carries over to the next.
        CommandFrameParser datagram;
        frames = datagram.Feed(bytes.data(), bytes.size());
        datagram.Reset();
        std::lock_guard lock(mutex_);
        discarded_ += datagram.DiscardedBytes();
    } else if (!bytes.empty()) {
        uint32_t rate;
        {
            std::lock_guard lock(mutex_);
            rate = device_.Rate();
        }
        if (options_.pace) {
            // The bytes are complete once they have crossed the wire. The
            // printer works on them meanwhile, as a real one does while they
            // arrive; its reply waits for their end (HandleFrame).
            receiveLineFreeAt_ =
                std::max(receiveLineFreeAt_, time) + SimWireTime(bytes.size(), rate);
            time = receiveLineFreeAt_;
        }
        const uint32_t toolRate = line_->PeerRate();
        if (toolRate != 0 && toolRate != rate)
            Garble(bytes);
        const uint64_t before = parser.DiscardedBytes();
        frames = parser.Feed(bytes.data(), bytes.size());
        std::lock_guard lock(mutex_);
        discarded_ += parser.DiscardedBytes() - before;
    }
    for (const CommandFrameIn& frame : frames) {
        if (!HandleFrame(frame, time))
            return false;
    }
    return true;
}

bool VirtualPrinter::HandleFrame(const CommandFrameIn& frame, Clock::time_point time) {
    ReceivedCommand command;
    command.code = frame.code;
    command.parameter = frame.parameter;
    command.data = frame.data;
    command.time = time;
    command.start = time;
    command.replyEnd = time;
    SimFaults faults;
    SimFaultDecision decision;
    DeviceAnswer answer;
    bool isBlock = false;
    {
        std::lock_guard lock(mutex_);
        faults = faults_;
        isBlock = device_.IsBlockCommand(frame.code);
        command.rate = device_.Rate();
        if (options_.pace && line_->IsStream())
            command.start = time - SimWireTime(kFrameHeaderSize + frame.data.size(), command.rate);
        decision = DecideSimFault(faults, ++commandsSinceFaults_, blocksSinceFaults_, frame.code,
                                  frame.parameter, isBlock);
        if (decision.action == SimFaultAction::Proceed) {
            answer = device_.Handle(frame, faults.identity);
            if (answer.answered && isBlock)
                ++blocksSinceFaults_;
            if (answer.unknown) {
                ++unknown_;
                if (faults.answerUnknown) {
                    answer.answered = true;
                    answer.note = "fault: answers an unknown command";
                }
            }
        }
    }
    if (stateFiles_ && answer.answered) {
        if (isBlock)
            stateFiles_->WriteMemory(frame.code, frame.parameter, frame.data);
        else if (frame.code == kCommandMode && frame.parameter == kModeUpdate)
            stateFiles_->EraseMemory(kCommandFirmwareBlock);
    }
    // Each command is logged before the tool can see its outcome (a reply,
    // or a hang-up), so a tool that has its reply finds it in the log.
    if (decision.action == SimFaultAction::HangUp) {
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        command.outcome = CommandOutcome::HungUp;
        command.note = decision.note;
        Record(std::move(command));
        line_->HangUp();
        return false;
    }
    if (decision.action == SimFaultAction::Silence || !answer.answered) {
        const bool silenced = decision.action == SimFaultAction::Silence;
        command.outcome = silenced         ? CommandOutcome::Silenced
                          : answer.unknown ? CommandOutcome::Unknown
                                           : CommandOutcome::Refused;
        command.note = silenced ? decision.note : answer.note;
        Record(std::move(command));
        return true;
    }
    auto delay = std::chrono::milliseconds(std::max(faults.replyDelayMs, 0));
    if (isBlock && frame.parameter % kSectorSize == 0)
        delay += std::chrono::milliseconds(options_.eraseMs);
    if (line_->IsStream())
        delay += std::chrono::milliseconds(options_.latencyMs);
    // The reply starts once the command has arrived and any delay is over.
    const Clock::time_point replyStart = std::max(Clock::now(), time + delay);
    const std::vector<uint8_t> reply =
        BuildReplyFrame(frame.code, frame.parameter, answer.replyData.data(),
                        static_cast<int>(answer.replyData.size()));
    const uint32_t noiseSeed = static_cast<uint32_t>(CommandCount());
    uint32_t replyRate;
    {
        std::lock_guard lock(mutex_);
        replyRate = device_.Rate();
        // The reply goes out at the old rate. The printer takes the new one
        // before its first byte leaves, so that a tool quick to follow never
        // finds it still at the old rate.
        if (answer.newRate)
            device_.SetRate(*answer.newRate);
    }
    const std::vector<uint8_t> shaped = ShapeReply(faults, reply, noiseSeed);
    command.replyBytes = shaped.size();
    command.note = answer.note;
    // Paced, the reply's last byte leaves one wire time after its start.
    command.replyEnd = replyStart;
    if (options_.pace && line_->IsStream())
        command.replyEnd += SimWireTime(shaped.size(), replyRate);
    Record(std::move(command));
    return SendReply(shaped, replyRate, replyStart);
}

bool VirtualPrinter::SendReply(const std::vector<uint8_t>& bytes, uint32_t rate,
                               Clock::time_point start) {
    std::vector<uint8_t> wire = bytes;
    if (line_->IsStream()) {
        const uint32_t toolRate = line_->PeerRate();
        if (toolRate != 0 && toolRate != rate)
            Garble(wire);
    }
    if (!line_->IsStream() || !options_.pace) {
        if (!PauseUntil(start))  // a reply delay
            return false;
        line_->Write(wire.data(), wire.size());
        return true;
    }
    // A byte can be read once its stop bit has passed: each chunk is handed
    // over when its last byte has crossed the wire, so the reply's last byte
    // arrives exactly one wire time after its start, and the printer listens
    // again at once. A short reply goes in one piece (one wake-up less to
    // come late); a long one in pieces of about a millisecond.
    const size_t chunk = std::max<size_t>(kWholeReplyBytes, rate / 10'000);
    for (size_t sent = 0; sent < wire.size();) {
        const size_t n = std::min(chunk, wire.size() - sent);
        if (!PauseUntil(start + SimWireTime(sent + n, rate)))
            return false;
        line_->Write(wire.data() + sent, n);
        sent += n;
    }
    return true;
}

void VirtualPrinter::Record(ReceivedCommand command) {
    if (stateFiles_) {
        SimStateSnapshot snapshot;
        {
            std::lock_guard lock(mutex_);
            snapshot = Snapshot();
        }
        ++snapshot.commandsHandled;  // this one, logged below
        stateFiles_->AppendCommand(command);
        stateFiles_->WriteState(snapshot);
    }
    if (observer_)
        observer_(command);
    {
        std::lock_guard lock(mutex_);
        if (log_.size() < kLogCapacity) {
            log_.push_back(std::move(command));
        } else {
            log_[logNext_] = std::move(command);
        }
        logNext_ = (logNext_ + 1) % kLogCapacity;
        ++handled_;
    }
    changed_.notify_all();
}
