#include "received_command.h"

const char* CommandOutcomeName(CommandOutcome outcome) {
    switch (outcome) {
        case CommandOutcome::Refused:
            return "refused";
        case CommandOutcome::Silenced:
            return "silenced";
        case CommandOutcome::HungUp:
            return "hung up";
        case CommandOutcome::Unknown:
            return "unknown";
        default:
            return "answered";
    }
}
