// The capture document: one per capture window. It owns the window's session profile and,
// until the view takes it over, the trace file; for a live capture it owns the window's link
// to the agent: the service check, the binding it shares with every window on the same host
// (through the application's binding table), Ping, the agent session, and the snapper it
// starts and stops on behalf of the capture thread. A document opened on a saved trace file
// makes no agent call at all and never writes to the file.
//
// Threads: the user-interface thread creates, opens and destroys the document; the capture
// thread calls the SnapperLink operations. Destroy a document only after its capture thread
// has been stopped (CaptureThread::Stop), as a window's view does when it closes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/FileHandle.h"
#include "platform/ManualResetEvent.h"
#include "profiles/CSessionProfile.h"
#include "rpc/BindingHandle.h"
#include "session/DocumentContext.h"
#include "session/SnapperLink.h"

namespace platform {
class SshConnection;
}

namespace session {

// An agent accepts a capture configuration of at most this many bytes.
inline constexpr std::size_t kMaxConfigurationBytes = 64 * 1024;
// SnapSnapperStopA and SnapSessionClose of a closing window wait at most this long.
inline constexpr std::chrono::seconds kCloseCallWait{3};

class CKestroDoc final : public SnapperLink {
public:
    explicit CKestroDoc(DocumentContext& context);
    // In this order: stop the snapper if it runs; release the host and, for its last window,
    // close the agent session (status ignored); leave the open-trace list; then the profile
    // and the trace file go.
    ~CKestroDoc() override;
    CKestroDoc(const CKestroDoc&) = delete;
    CKestroDoc& operator=(const CKestroDoc&) = delete;

    // Takes the profile, titles the window with its trace file, opens the trace file (a live
    // capture creates it, locks it against other writers, then empties it; a saved file is
    // opened read-only) and, for a live capture, opens the session. On success the file joins
    // the open-trace list. False after the user was told why; the caller destroys the document.
    bool OnNewDocument(std::unique_ptr<profiles::CSessionProfile> profile);
    // The session opening alone: resolve the server (for an ssh:// server, log in to its
    // host), share or make the host's binding (service check, compose, bind, authentication,
    // Ping), create the agent session.
    // OnNewDocument calls it for a live document; `palomet-cli agent ping` calls it directly.
    bool OpenSession();
    // For OpenSession without OnNewDocument.
    void TakeProfile(std::unique_ptr<profiles::CSessionProfile> profile);

    rpc::RpcStatus StartSnapper(std::uint32_t firstFrame) override;
    rpc::RpcStatus StopSnapper() override;
    rpc::RpcStatus QuerySnapper(std::int32_t& pending) override;
    rpc::RpcStatus PeekSnapper(rpc::PeekResult& result) override;
    bool SnapperRunning() const override { return !m_snapperStopped.load(); }
    void CancelCalls() override { m_cancel.Set(); }

    bool IsLive() const noexcept { return m_profile && m_profile->dumpFile == 0; }
    const std::string& GetTitle() const noexcept { return m_title; }
    profiles::CSessionProfile& Profile() { return *m_profile; }
    rpc::RpcStatus LastStatus() const noexcept { return m_lastStatus.load(); }
    // The host's IPv4 address (0 for an ssh:// server, which only ssh resolves), and its key
    // in the binding table.
    std::uint32_t HostAddress() const noexcept { return m_hostAddress; }
    const std::string& HostKey() const noexcept { return m_hostKey; }
    rpc::BindingHandle* Binding() const noexcept { return m_binding; }
    // The trace-file handle, handed over once: a live capture's writer (the lock against
    // other writers goes with it), or a saved file's reader.
    core::FileHandle TakeTraceFile() { return std::move(m_traceFile); }
    // Why the trace file could not be opened, for a log line after the message.
    const std::string& TraceFileError() const noexcept { return m_traceFileError; }

private:
    bool OpenTraceFile();
    bool CheckAgentService(const std::string& server);
    bool LogIn(platform::SshConnection& ssh);
    bool MakeBinding(const std::string& server, std::shared_ptr<platform::SshConnection> ssh);
    rpc::RpcStatus Keep(rpc::RpcStatus status);
    rpc::CallCancel Cancel() const noexcept { return {&m_cancel, platform::Deadline::max()}; }
    void Tell(const std::string& text);

    DocumentContext& m_context;
    // Declared before the profile, so the profile goes first and the file is closed last.
    core::FileHandle m_traceFile;
    std::string m_traceFileError;
    std::unique_ptr<profiles::CSessionProfile> m_profile;
    std::string m_title;
    std::vector<std::uint8_t> m_configuration;  // the profile's capture filter, serialised
    std::string m_stringBinding;
    rpc::BindingHandle* m_binding = nullptr;  // borrowed from the binding table
    std::uint32_t m_hostAddress = 0;
    std::string m_hostKey;
    bool m_hostAcquired = false;
    bool m_listed = false;
    platform::ManualResetEvent m_cancel;
    std::atomic<rpc::RpcStatus> m_lastStatus{0};
    std::atomic<std::int32_t> m_snapper{0};
    std::atomic<bool> m_snapperStopped{true};
};

}  // namespace session
