#pragma once

// The headless sub-commands of the kalamora executable. Each takes argv from
// its own name on and returns the exit status: 0 success, 1 failure (with a
// one-line message on standard error), 2 bad arguments.

namespace kalamora {

// kalamora type: keys through the input engine, the text on standard output.
int runType(int argc, char **argv);

// kalamora mime: the mail text made of a document, on standard output.
int runMime(int argc, char **argv);

// kalamora send: a document sent by the direct SMTP route, status texts printed.
int runSend(int argc, char **argv);

// kalamora dict: the meaning the dictionary window shows for a word.
int runDict(int argc, char **argv);

// kalamora convert: a document loaded and saved through the text-engine control.
int runConvert(int argc, char **argv);

// The word processor's window; the arguments are files to open.
int runWindow(int argc, char **argv);

} // namespace kalamora
