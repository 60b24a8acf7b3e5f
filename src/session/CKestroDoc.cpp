// Capture document: trace-file opening, the session opening step by step with its messages,
// the snapper calls under the agent-call lock, and the destruction order.
#include "session/CKestroDoc.h"

#include <filesystem>
#include <system_error>

#include "core/Archive.h"
#include "platform/SshConnection.h"
#include "platform/TcpSocket.h"
#include "rpc/AgentInterface.h"
#include "rpc/StringBinding.h"
#include "session/AgentCallLock.h"
#include "session/AgentMessages.h"
#include "session/ServerName.h"

namespace session {

namespace {

constexpr std::string_view kInvalidServer = "Invalid server name entered.";
// Where an agent reached through SSH listens, as its own host sees it.
constexpr std::string_view kAgentLoopback = "127.0.0.1";

// Ends the wait cursor on every way out of the service check.
class WaitCursorScope {
public:
    explicit WaitCursorScope(core::WaitCursor& cursor) : m_cursor(cursor) { m_cursor.Begin(); }
    ~WaitCursorScope() { End(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;
    void End() {
        if (m_active) m_cursor.End();
        m_active = false;
    }

private:
    core::WaitCursor& m_cursor;
    bool m_active = true;
};

}  // namespace

CKestroDoc::CKestroDoc(DocumentContext& context) : m_context(context) {}

CKestroDoc::~CKestroDoc() {
    const rpc::CallCancel closing{&m_cancel, std::chrono::steady_clock::now() + kCloseCallWait};
    if (SnapperRunning() && m_binding != nullptr) {
        rpc::RpcStatus status = platform::kRpcCallCancelled;
        if (AgentCallLock lock(&m_cancel); lock.Owns())
            status = rpc::AgentClient(*m_binding, closing).SnapSnapperStopA(m_snapper.load());
        Keep(status);
        m_snapperStopped = true;
        if (status != platform::kRpcOk) Tell(AgentCallFailed("SnapSnapperStopA", status));
    }
    if (m_hostAcquired) {
        // The binding comes back with the last reference, so it is used before it is freed.
        auto released = m_context.bindings.Release(m_hostKey);
        m_binding = nullptr;
        if (released.last && released.binding) (void)rpc::AgentClient(*released.binding, closing).SnapSessionClose();
    }
    if (m_listed) m_context.openTraces.Remove(m_profile->traceFile);
}

void CKestroDoc::Tell(const std::string& text) { m_context.prompt.Tell(text); }

rpc::RpcStatus CKestroDoc::Keep(rpc::RpcStatus status) {
    m_lastStatus = status;
    return status;
}

void CKestroDoc::TakeProfile(std::unique_ptr<profiles::CSessionProfile> profile) {
    m_profile = std::move(profile);
    m_title = m_profile->traceFile;
}

bool CKestroDoc::OnNewDocument(std::unique_ptr<profiles::CSessionProfile> profile) {
    TakeProfile(std::move(profile));
    if (!OpenTraceFile()) {
        Tell("Trace file could not be opened!");
        return false;
    }
    if (IsLive() && !OpenSession()) return false;
    m_context.openTraces.Add(m_profile->traceFile);
    m_listed = true;
    return true;
}

bool CKestroDoc::OpenTraceFile() {
    const std::string& path = m_profile->traceFile;
    if (!IsLive()) {
        auto opened = core::FileHandle::Open(path, core::FileHandle::Mode::Read);
        if (!opened) {
            m_traceFileError = opened.Err().text;
            return false;
        }
        m_traceFile = std::move(opened).Value();
        return true;
    }
    // A new capture's folder may not exist yet (the default trace lives under the user's
    // data directory).
    std::error_code ec;
    if (const auto parent = std::filesystem::path(path).parent_path(); !parent.empty())
        std::filesystem::create_directories(parent, ec);
    auto opened = core::FileHandle::Open(path, core::FileHandle::Mode::OpenOrCreate);
    if (!opened) {
        m_traceFileError = opened.Err().text;
        return false;
    }
    core::FileHandle file = std::move(opened).Value();
    // Lock first, empty second: a trace that another program writes is never truncated.
    core::Status st = file.TryLockExclusive();
    if (st) st = file.Truncate(0);
    if (!st) {
        m_traceFileError = path + ": " + st.Err().text;
        return false;
    }
    m_traceFile = std::move(file);
    return true;
}

bool CKestroDoc::OpenSession() {
    {
        std::vector<std::uint8_t> bytes;
        core::Archive ar(bytes);
        m_profile->captureConfiguration.Serialize(ar);
        m_configuration = std::move(bytes);
    }
    if (m_configuration.size() > kMaxConfigurationBytes) {
        Keep(platform::kErrorInvalidParameter);
        Tell("The capture filter takes " + std::to_string(m_configuration.size()) +
             " bytes; an agent accepts at most " + std::to_string(kMaxConfigurationBytes) + ".");
        return false;
    }
    m_profile->serverAddress = NormalizeServer(m_profile->serverAddress);
    const std::string& server = m_profile->serverAddress;
    std::shared_ptr<platform::SshConnection> ssh;
    if (platform::IsSshServer(server)) {
        const auto destination = platform::ParseSshServer(server);
        if (!destination) {
            Tell(std::string(kInvalidServer) + "\n" + destination.Err().message);
            return false;
        }
        m_hostKey = destination.Value().Url();
        ssh = platform::SshConnection::Shared(destination.Value());
    } else {
        const auto address = platform::ResolveIPv4(server);
        if (!address) {
            Tell(std::string(kInvalidServer));
            return false;
        }
        m_hostAddress = *address;
        m_hostKey = AgentBindingTable::KeyOf(*address);
    }
    const auto acquired = m_context.bindings.Acquire(m_hostKey);
    m_hostAcquired = true;
    if (acquired.existing && acquired.binding != nullptr) {
        // The first window's session serves this one too.
        m_binding = acquired.binding;
        return true;
    }
    // The service check and every call after it go through the SSH connection made here.
    if (ssh && !LogIn(*ssh)) return false;
    if (!CheckAgentService(server) || !MakeBinding(server, std::move(ssh))) return false;

    rpc::AgentClient agent(*m_binding, Cancel());
    if (const auto status = Keep(agent.Ping()); status != platform::kRpcOk) {
        Tell(AgentCallFailed("Ping", status));
        std::string text(rpc::StatusText(status).value_or(""));
        // What the SSH connection's own client said about it.
        if (const auto why = m_binding->LinkFailure(); !why.empty()) text += (text.empty() ? "" : "\n") + why;
        if (!text.empty()) Tell(text);
        return false;
    }
    if (const auto status = Keep(agent.SnapSessionCreate()); status != platform::kRpcOk)
        Tell(AgentCallFailed("SnapSessionCreate", status));
    return true;
}

bool CKestroDoc::CheckAgentService(const std::string& server) {
    WaitCursorScope cursor(m_context.waitCursor);
    if (const auto status = Keep(m_context.serviceCheck.ServiceExists(server, services::kAgentServiceName));
        status != 0)
        return false;
    const auto running = Keep(m_context.serviceCheck.IsServiceRunning(server, services::kAgentServiceName));
    if (running == platform::kErrorServiceNotActive) {
        cursor.End();
        const auto answer = m_context.prompt.Show("Agent is not running. Do you want to start it?",
                                                  core::PromptIcon::None, core::PromptButtons::OkCancel);
        if (answer != core::PromptAnswer::Ok) return false;
        // Whether or not the user started the agent, the opening goes on.
        if (m_context.runServicesDialog) m_context.runServicesDialog(server, services::kAgentServiceName);
        return true;
    }
    return running == 0;
}

bool CKestroDoc::LogIn(platform::SshConnection& ssh) {
    WaitCursorScope cursor(m_context.waitCursor);
    const auto net = ssh.Start(std::chrono::steady_clock::now() + m_context.callTimeout, &m_cancel);
    if (net == platform::NetStatus::Ok) return true;
    // However the login failed, the agent is as unreachable as one that does not answer.
    const auto status =
        Keep(net == platform::NetStatus::Aborted ? platform::kRpcCallCancelled : platform::kRpcServerUnavailable);
    cursor.End();
    Tell(AgentCallFailed("SSH login", status) + ssh.Failure());
    return false;
}

bool CKestroDoc::MakeBinding(const std::string& server, std::shared_ptr<platform::SshConnection> ssh) {
    const std::string address = ssh ? std::string(kAgentLoopback) : server;
    if (const auto status =
            Keep(rpc::ComposeStringBinding({"", std::string(rpc::kProtseqTcp), address, "", ""}, m_stringBinding));
        status != platform::kRpcOk) {
        Tell(AgentCallFailed("RpcStringBindingCompose", status));
        return false;
    }
    std::unique_ptr<rpc::BindingHandle> binding;
    if (const auto status = Keep(rpc::BindingHandle::FromStringBinding(m_stringBinding, binding));
        status != platform::kRpcOk) {
        Tell(AgentCallFailed("RpcBindingFromStringBinding", status));
        return false;
    }
    if (ssh) binding->ReachThrough(std::move(ssh));
    if (m_context.epmPort != 0) binding->SetEpmPort(m_context.epmPort);
    binding->SetTimeout(m_context.callTimeout);
    m_binding = m_context.bindings.SetBinding(m_hostKey, std::move(binding));
    if (const auto status = Keep(m_binding->SetAuthInfo(rpc::kAuthnLevelNone, rpc::kAuthnWinNt));
        status != platform::kRpcOk) {
        Tell(AgentCallFailed("RpcBindingSetAuthInfo", status));
        return false;
    }
    return true;
}

rpc::RpcStatus CKestroDoc::StartSnapper(std::uint32_t firstFrame) {
    if (m_binding == nullptr) return Keep(platform::kRpcInvalidBinding);
    if (m_configuration.size() > kMaxConfigurationBytes) return Keep(platform::kErrorInvalidParameter);
    std::int32_t snapper = 0;
    AgentCallLock lock(&m_cancel);
    if (!lock.Owns()) return Keep(platform::kRpcCallCancelled);
    const auto status = Keep(rpc::AgentClient(*m_binding, Cancel())
                                 .SnapSnapperStartA(rpc::kSnapperStartParam, static_cast<std::int32_t>(firstFrame),
                                                    m_configuration, snapper));
    if (status == platform::kRpcOk) {
        m_snapper = snapper;
        m_snapperStopped = false;
    }
    return status;
}

rpc::RpcStatus CKestroDoc::StopSnapper() {
    if (!SnapperRunning()) return platform::kRpcOk;
    AgentCallLock lock(&m_cancel);
    const auto status = lock.Owns() ? rpc::AgentClient(*m_binding, Cancel()).SnapSnapperStopA(m_snapper.load())
                                    : platform::kRpcCallCancelled;
    m_snapperStopped = true;
    return Keep(status);
}

rpc::RpcStatus CKestroDoc::QuerySnapper(std::int32_t& pending) {
    if (m_binding == nullptr) return Keep(platform::kRpcInvalidBinding);
    AgentCallLock lock(&m_cancel);
    if (!lock.Owns()) return Keep(platform::kRpcCallCancelled);
    const auto status = Keep(rpc::AgentClient(*m_binding, Cancel()).SnapSnapperQueryA(m_snapper.load(), pending));
    // The agent lost the snapper (a new connection after a drop): it runs no more.
    if (status == platform::kErrorInvalidHandle) m_snapperStopped = true;
    return status;
}

rpc::RpcStatus CKestroDoc::PeekSnapper(rpc::PeekResult& result) {
    if (m_binding == nullptr) return Keep(platform::kRpcInvalidBinding);
    AgentCallLock lock(&m_cancel);
    if (!lock.Owns()) return Keep(platform::kRpcCallCancelled);
    return Keep(rpc::AgentClient(*m_binding, Cancel()).SnapSnapperPeekA(m_snapper.load(), result));
}

}  // namespace session
