#pragma once

// The subcommands of recognize-cli. Each takes the arguments after its name and returns the
// exit status: 0 success, 1 the work could not be done, 2 bad usage or unreadable input.
int RunNewCommand(int argc, char** argv);
int RunInfoCommand(int argc, char** argv);
int RunRenderCommand(int argc, char** argv);
int RunReadCommand(int argc, char** argv);
int RunNoiseCommand(int argc, char** argv);
int RunEvalCommand(int argc, char** argv);
int RunPageCommand(int argc, char** argv);
