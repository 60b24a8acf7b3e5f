// The help topics: how to open traces and captures and move through them.
#pragma once

class QWidget;

namespace app {

void ShowHelpTopics(QWidget* parent);

}  // namespace app
