// Placeholder bodies until the MIDI converter lands; replaced by the converter work.
#include "sound/SoundDoc.h"

bool CSoundDoc::ExportMIDI() { return false; }
void CSoundDoc::WriteByte(std::string&, std::int32_t) {}
void CSoundDoc::WriteBE16(std::string&, std::int32_t) {}
void CSoundDoc::WriteBE32(std::string&, std::int32_t) {}
void CSoundDoc::WriteVarLen(std::string&, std::int32_t) {}
