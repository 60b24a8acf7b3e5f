// The one way a capture window's document comes to be: from a profile that names a saved
// trace file (the command line, File Open, a dropped file) or a new capture (File New).
#pragma once

#include <memory>

#include "profiles/CSessionProfile.h"
#include "session/CKestroDoc.h"
#include "session/DocumentContext.h"

namespace session {

// Refuses a file that a window already has open ("Tracefile " + path + "\n is already
// opened!"), else makes the document and opens it. Null when nothing opened; the user was
// told why.
std::unique_ptr<CKestroDoc> OpenTraceFile(DocumentContext& context, std::unique_ptr<profiles::CSessionProfile> profile);

}  // namespace session
