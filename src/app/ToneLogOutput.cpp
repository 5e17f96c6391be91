#include "app/ToneLogOutput.h"

#include <windows.h>

#include <mmsystem.h>

ToneLogOutput::ToneLogOutput(ToneOutput& inner, const char* path) : inner_(inner) {
    if (path != nullptr && path[0] != '\0') file_.reset(fopen(path, "a"));
}

void ToneLogOutput::PlayNote(int note, int lengthMs) {
    if (file_) {
        // Flushed per line: the reader is another process, looking while this one plays.
        fprintf(file_.get(), "%lu %d %d\n", static_cast<unsigned long>(timeGetTime()), note, lengthMs);
        fflush(file_.get());
    }
    inner_.PlayNote(note, lengthMs);
}
