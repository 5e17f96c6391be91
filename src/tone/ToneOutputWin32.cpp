#include "tone/ToneOutputWin32.h"

#include "tone/SpeakerHardwareWin32.h"

ToneOutputWin32::ToneOutputWin32() { TheSpeakerTone(); }

void ToneOutputWin32::PlayNote(int note, int lengthMs) { TheSpeakerTone().PlayNote(note, lengthMs); }
