// Placeholder until playback lands; replaced by that work.
#include "tools/ConvertFormats.h"

#include "framework/UserInterface.h"

bool WriteWavOutput(CSoundDoc&, const std::string&)
{
    AfxMessageBox("WAV output is not available in this build.");
    return false;
}
