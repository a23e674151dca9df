#include "ui/common/field_checks.h"

#include "engine/signal_player.h"
#include "ui/common/messages.h"
#include "ui/common/number_text.h"

namespace {

// A settings field: a text that holds no number counts as 0, which is refused.
std::uint32_t readSetting(std::string_view text) {
    return readUnsigned(leadingChars(text, kSettingFieldChars)).value_or(0);
}

}  // namespace

std::string_view leadingChars(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; end < text.size() && taken < count; ++taken) {
        ++end;
        // Skip the continuation bytes of a multi-byte character.
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(0, end);
}

std::optional<std::uint32_t> readRestMinutes(std::string_view text) {
    return readUnsigned(leadingChars(text, kRestFieldChars));
}

void applyRestCheck(SignalPlayer& player, bool checked, std::string_view everyText,
                    std::string_view lengthText) {
    if (checked) {
        player.enableRests(readRestMinutes(everyText), readRestMinutes(lengthText));
    } else {
        player.disableRests();
    }
}

std::optional<std::string> applyToneField(SignalPlayer& player, std::string_view text) {
    if (player.setToneFrequency(readSetting(text))) {
        return std::nullopt;
    }
    return kToneRejectedMessage;
}

std::optional<std::string> applySweepFields(SignalPlayer& player, std::string_view secondsText,
                                            std::string_view limitText) {
    switch (player.setSweep(readSetting(secondsText), readSetting(limitText))) {
        case SweepChoice::Accepted:
            return std::nullopt;
        case SweepChoice::TooLong:
            return sweepTooLongMessage();
        case SweepChoice::NotPositive:
            break;
    }
    return kSweepRejectedMessage;
}
