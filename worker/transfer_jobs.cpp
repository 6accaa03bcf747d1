// Jobs 3 and 5: files downloaded into the printer's memory, and a firmware
// image written into it, both in acknowledged 256-byte blocks at the
// transfer rate.
#include "block_transfer.h"
#include "comm_thread.h"
#include "firmware_check.h"
#include "transfer_input.h"

BlockSender TCommThread::LinkSender() {
    return [this](const BlockCommand& block) {
        return link_.SendCommand(block.command, block.parameter, block.data, block.maxReply,
                                 block.length, block.tries, block.timeoutMs, block.what);
    };
}

BlockStop TCommThread::StopRequested() {
    return [this] { return stopRequested_.load(); };
}

void TCommThread::NoteBlockRate() {
    blockRate_ = link_.DatagramMode() ? 0 : static_cast<int32_t>(link_.Uart().BaudRate());
}

bool TCommThread::TransferWentThrough(const BlockOutcome& outcome, bool firstFile) {
    if (outcome.result != BlockResult::Stopped)
        return outcome.result == BlockResult::Done;
    if (firstFile && outcome.blocksDone == 0) {
        StoppedBeforeWriting();
        return false;
    }
    link_.Fail(kErrorStopped, "interrupted after block " + std::to_string(outcome.blocksDone) +
                                  " of " + std::to_string(outcome.blocks) + " at " +
                                  HexAddress(outcome.nextParameter));
    return false;
}

bool TCommThread::GoOn() {
    if (!stopRequested_)
        return true;
    StoppedBeforeWriting();
    return false;
}

void TCommThread::StoppedBeforeWriting() {
    ReturnToJobRate();
    link_.Fail(kErrorStopped, "stopped before anything was written");
}

void TCommThread::ReturnToJobRate() {
    const int32_t rate = link_.PrinterRate();
    if (link_.DatagramMode() || rate == 0 || rate == portRate_)
        return;
    // The reason the job ended stays what it was.
    const uint8_t code = link_.ErrorCode();
    const std::string reason = link_.FailureReason();
    link_.SwitchBaud(portRate_);
    if (code != kErrorNone)
        link_.Fail(code, reason);
}

BlockProgress TCommThread::TransferProgress() {
    return
        [this](int32_t done, int32_t total) { ReportProgress(std::string(), done, total, false); };
}

bool TCommThread::SwitchToTransferRate() {
    if (transferRate_ != kTransferRate && !link_.DatagramMode() &&
        !link_.Uart().CanTakeRate(static_cast<uint32_t>(transferRate_))) {
        // The printer never hears of a rate the port cannot follow it to.
        ReportProgress("the port cannot run at " + std::to_string(transferRate_) +
                           " bit/s; sending at " + std::to_string(kTransferRate) + " bit/s",
                       0, 0, true);
        return link_.SwitchBaud(kTransferRate);
    }
    if (!link_.SwitchBaud(transferRate_))
        return false;
    const bool taken =
        link_.DatagramMode() || link_.Uart().BaudRate() == static_cast<uint32_t>(transferRate_);
    if (taken || transferRate_ == kTransferRate)
        return true;
    // A printer that does not know the faster rate still takes the standard
    // one: better than the whole transfer at the line rate.
    ReportProgress("the printer did not take " + std::to_string(transferRate_) +
                       " bit/s; sending at " + std::to_string(kTransferRate) + " bit/s",
                   0, 0, true);
    return link_.SwitchBaud(kTransferRate);
}

void TCommThread::DoDownloadFiles() {
    // Every file is read and checked before the printer is contacted: a
    // missing file or a bad entry sends nothing at all.
    std::vector<PreparedDownload> files;
    std::string problem;
    if (!PrepareDownloads(downloads_, files, problem)) {
        link_.Fail(kErrorBadRequest, "nothing was sent: " + problem);
        return;
    }
    // A stop is honoured between any two steps; one before the first block
    // leaves the printer at the rate it was found at.
    if (OpenTransferLink()) {
        if (!link_.EnterDownloadMode())
            ReturnToJobRate();
        else if (SendDownloads(files))
            link_.SwitchBaud(portRate_);  // only a transfer that went through goes back
    }
    link_.CloseLink();
}

bool TCommThread::OpenTransferLink() {
    if (!OpenJobLink() || !GoOn())
        return false;
    if (!SwitchToTransferRate()) {
        ReturnToJobRate();
        return false;
    }
    return GoOn();
}

bool TCommThread::SendDownloads(std::vector<PreparedDownload>& files) {
    bool first = true;
    for (PreparedDownload& file : files) {
        fileBuffer_.bytes = std::move(file.bytes);
        fileBuffer_.position = 0;
        ReportProgress("DOWNLOAD " + file.name, 0, 0, true);
        NoteBlockRate();
        const BlockOutcome outcome =
            SendDownloadBlocks(fileBuffer_.bytes, file.command, file.start, file.name, LinkSender(),
                               TransferProgress(), StopRequested());
        if (!TransferWentThrough(outcome, first))
            return false;
        first = false;
        fileBuffer_.position = fileBuffer_.bytes.size();
    }
    return true;
}

void TCommThread::DoFirmwareUpdate() {
    // The front ends check the image before they hand it over; an image
    // that fails the check is never written into a printer.
    const FirmwareCheckResult check = CheckFirmwareImage(fileBuffer_.bytes);
    if (!check.Sound()) {
        link_.Fail(kErrorBadRequest, "the firmware image was not sent: " + check.reason);
        return;
    }
    fileBuffer_.position = 0;
    if (!OpenTransferLink()) {
        link_.CloseLink();
        return;
    }
    if (!link_.EnterUpdateMode()) {
        ReturnToJobRate();
        link_.CloseLink();
        return;
    }
    NoteBlockRate();
    if (TransferWentThrough(SendFirmwareBlocks(fileBuffer_.bytes, LinkSender(), TransferProgress(),
                                               StopRequested()),
                            true)) {
        fileBuffer_.position = fileBuffer_.bytes.size();
        // Its reply is not examined beyond arriving: a missing one leaves
        // error 3, so an update whose end was not confirmed never passes
        // for a success. The port stays at the transfer rate until closed.
        uint8_t buffer[kBlockBufferSize] = {};
        if (link_.SendCommand(kCommandMode, kModeEndUpdate, buffer, kFirmwareReplyRoom, 0,
                              kEndUpdateTries, kEndUpdateTimeoutMs,
                              "the end-of-update command") >= 0)
            link_.NoteUpdateEnded();
    }
    link_.CloseLink();
}
