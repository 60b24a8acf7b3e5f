// Opening a document on a profile, with the open-trace list's duplicate check.
#include "session/OpenTraceFile.h"

namespace session {

std::unique_ptr<CKestroDoc> OpenTraceFile(DocumentContext& context,
                                          std::unique_ptr<profiles::CSessionProfile> profile) {
    if (context.openTraces.Contains(profile->traceFile)) {
        context.prompt.Tell("Tracefile " + profile->traceFile + "\n is already opened!");
        return nullptr;
    }
    auto doc = std::make_unique<CKestroDoc>(context);
    if (!doc->OnNewDocument(std::move(profile))) return nullptr;
    return doc;
}

}  // namespace session
