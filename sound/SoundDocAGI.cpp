// Placeholder bodies until the AGI converters land; replaced by the converter work.
#include "sound/SoundDoc.h"

bool CSoundDoc::ExportAGI() { return false; }
bool CSoundDoc::ImportAGIFile(const std::string&) { return false; }
bool CSoundDoc::BuildAGIResource() { return false; }
bool CSoundDoc::ParseAGIResource() { return false; }
