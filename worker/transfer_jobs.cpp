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

bool TCommThread::TransferWentThrough(const BlockOutcome& outcome, const char* mode) {
    if (outcome.result != BlockResult::Stopped)
        return outcome.result == BlockResult::Done;
    link_.Fail(kErrorStopped, "interrupted after block " + std::to_string(outcome.blocksDone) +
                                  " of " + std::to_string(outcome.blocks) + " at " +
                                  HexAddress(outcome.nextParameter) + "; the printer is still in " +
                                  mode + " mode: run the " + mode + " again");
    return false;
}

BlockProgress TCommThread::TransferProgress() {
    return
        [this](int32_t done, int32_t total) { ReportProgress(std::string(), done, total, false); };
}

bool TCommThread::SwitchToTransferRate() {
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
    if (link_.OpenLink(portName_, portRate_) && SwitchToTransferRate() &&
        link_.EnterDownloadMode() && SendDownloads(files)) {
        // Only a transfer that went through returns to the job's rate.
        link_.SwitchBaud(portRate_);
    }
    link_.CloseLink();
}

bool TCommThread::SendDownloads(std::vector<PreparedDownload>& files) {
    for (PreparedDownload& file : files) {
        fileBuffer_.bytes = std::move(file.bytes);
        fileBuffer_.position = 0;
        ReportProgress("DOWNLOAD " + file.name, 0, 0, true);
        const BlockOutcome outcome =
            SendDownloadBlocks(fileBuffer_.bytes, file.command, file.start, file.name, LinkSender(),
                               TransferProgress(), StopRequested());
        if (!TransferWentThrough(outcome, "download"))
            return false;
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
    if (link_.OpenLink(portName_, portRate_) && SwitchToTransferRate() && link_.EnterUpdateMode() &&
        TransferWentThrough(SendFirmwareBlocks(fileBuffer_.bytes, LinkSender(), TransferProgress(),
                                               StopRequested()),
                            "update")) {
        fileBuffer_.position = fileBuffer_.bytes.size();
        // Its reply is not examined beyond arriving: a missing one leaves
        // error 3, so an update whose end was not confirmed never passes
        // for a success. The port stays at the transfer rate until closed.
        uint8_t buffer[kBlockBufferSize] = {};
        link_.SendCommand(kCommandMode, kModeEndUpdate, buffer, kFirmwareReplyRoom, 0,
                          kEndUpdateTries, kEndUpdateTimeoutMs, "the end-of-update command");
    }
    link_.CloseLink();
}
