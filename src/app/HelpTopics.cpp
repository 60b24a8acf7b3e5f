// Help topics, shown in a browser window of their own.
#include "app/HelpTopics.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace app {

namespace {
const char* const kHelp = R"(<h2>Palomet Manager</h2>
<h3>Opening traces</h3>
<p><b>File &gt; Open</b> (Ctrl+O) opens a trace file (<i>.tns</i>) in a window of its own. Trace files
named on the command line, or dropped on the main window, open the same way. A file that is
already open in a window is not opened twice.</p>
<h3>Live capture</h3>
<p><b>File &gt; New</b> (Ctrl+N) starts a session with a capture agent. <code>palomet --live HOST[:PORT]
--out FILE.tns</code> opens a live capture window from the command line. The window shows the first
block as soon as the agent has sent it; later blocks are shown when you move to them.
<b>Pause/Continue</b> stops and restarts the agent's capture.</p>
<p>A server named <code>ssh://[user@]host[:sshport]</code> (in a session profile, or after
<code>--live</code>) is reached through your own SSH login to that host: your keys, ~/.ssh/config and
known_hosts, nothing ever asked. The agent there listens on its loopback only. A host key that is not
known, a key the host refuses or a host out of reach is told with ssh's own words.</p>
<h3>Moving through a trace</h3>
<p>A window shows one screen at a time: the frames of one block of the trace file.</p>
<table cellpadding="3">
<tr><td><b>Home</b></td><td>first screen</td></tr>
<tr><td><b>Page Up / Page Down</b></td><td>previous / next screen</td></tr>
<tr><td><b>Up / Down</b></td><td>previous / next packet, across screens</td></tr>
<tr><td><b>End</b></td><td>last screen</td></tr>
<tr><td><b>Goto packet</b></td><td>the packet whose number is typed in the navigation bar (Enter)</td></tr>
</table>
<p>A key that cannot move any further beeps. The level box of the navigation bar chooses how far up the
protocol stack the Source, Destination and Summary columns go.</p>
<h3>Details</h3>
<p>The lower pane shows every decoded field of the selected packet as a tree; its context menu switches
to text (the same text as <code>palomet-cli show</code>), expands or collapses the tree, copies and
selects. F6 moves between the panes; Ctrl+C copies the selected row, line or text.</p>
<h3>What is kept</h3>
<p>Drag a column's edge to widen it; the Summary column always reaches the window's edge. The window's
size and bars, the column widths, the splitter, the summary level and the tree or text choice are
kept for the next window and the next start. <b>File</b> lists the trace files opened last.</p>
<p><b>Shift+F1</b> or the <b>?</b> button, then a click on any button, field or pane, says what it does.</p>
)";
}  // namespace

void ShowHelpTopics(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Palomet Manager Help"));
    dialog.setWhatsThis(QObject::tr("How to open traces, capture live and move through a trace. Close closes it."));
    auto* browser = new QTextBrowser(&dialog);
    browser->setHtml(QString::fromUtf8(kHelp));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    dialog.resize(560, 520);
    dialog.exec();
}

}  // namespace app
