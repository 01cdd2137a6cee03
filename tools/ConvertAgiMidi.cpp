// Placeholder until the AGI and MIDI converters land; replaced by that work.
#include "tools/ConvertFormats.h"

#include "framework/UserInterface.h"

bool ImportAgiInput(CSoundDoc&, const std::string&)
{
    AfxMessageBox("AGI input is not available in this build.");
    return false;
}
bool WriteAgiOutput(CSoundDoc&, const std::string&)
{
    AfxMessageBox("AGI output is not available in this build.");
    return false;
}
bool WriteMidiOutput(CSoundDoc&, const std::array<int, 3>&, const std::string&)
{
    AfxMessageBox("MIDI output is not available in this build.");
    return false;
}
