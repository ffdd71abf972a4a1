#pragma once
// A launcher may start us with standard input, output or error closed. The next file opened
// would then take that number, and a log line meant for standard error would land in it: in
// the X connection, it corrupts the protocol stream and the tool waits for ever. So before
// anything else opens a file, each of the three that is closed is opened on /dev/null.

void ensureStandardStreamsOpen();
