// When the program says that it cannot be heard, and what it says.
#include <gtest/gtest.h>

#include "tone/VoiceChoice.h"

namespace {

TEST(Silence, ToldOnlyWhenTheSoundCardWasWantedAndTheSpeakerInItsPlaceIsSilent) {
    const VoiceMachine wine{.underWine = true, .speakerUsable = true};
    const VoiceMachine noBeep{.underWine = false, .speakerUsable = false};
    const VoiceMachine windows{.underWine = false, .speakerUsable = true};
    EXPECT_EQ(SilenceOf(wine, Voice::SoundCard, Voice::Speaker), Silence::WineWithoutSoundCard);
    EXPECT_EQ(SilenceOf(noBeep, Voice::SoundCard, Voice::Speaker), Silence::NoSpeakerNorSoundCard);
    // The speaker sounds in its place.
    EXPECT_EQ(SilenceOf(windows, Voice::SoundCard, Voice::Speaker), Silence::None);
    // Playing through the sound card, or through a speaker the user asked for.
    EXPECT_EQ(SilenceOf(wine, Voice::SoundCard, Voice::SoundCard), Silence::None);
    EXPECT_EQ(SilenceOf(wine, Voice::Speaker, Voice::Speaker), Silence::None);
    // Each says why and what to do.
    for (const Silence why : {Silence::WineWithoutSoundCard, Silence::NoSpeakerNorSoundCard}) {
        const std::string text = SilenceNoteText(why);
        EXPECT_NE(text.find("cannot be heard"), std::string::npos);
        EXPECT_NE(text.find("Export WAV..."), std::string::npos);
    }
    EXPECT_NE(SilenceNoteText(Silence::WineWithoutSoundCard).find("sound server"), std::string::npos);
}

} // namespace
