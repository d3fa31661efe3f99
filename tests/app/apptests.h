#pragma once
// Each test class of the window runs through its own entry point.

namespace zarudiv {

int runDisplayCheckTest(int argc, char* argv[]);
int runStartupStateTest(int argc, char* argv[]);
int runLayoutTest(int argc, char* argv[]);
int runCommandsTest(int argc, char* argv[]);
int runEvolutionCommandTest(int argc, char* argv[]);
int runLiveWindowTest(int argc, char* argv[]);
int runCampaignSessionTest(int argc, char* argv[]);
int runJournalTest(int argc, char* argv[]);

}  // namespace zarudiv
