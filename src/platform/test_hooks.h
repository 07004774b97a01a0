// What only the test programs let their environment change: where a host's port is
// reached, how long a stalled transfer is waited for and which key signs updates. The release program is
// built without them (test_hooks.cpp without KSTLUPD_TEST_HOOKS), so nothing in a
// user's environment can send its requests elsewhere or change its time-outs.
#pragma once

// The "host:port:address:port" pairs, comma-separated, that send a host's port to
// another address (KSTLUPD_TEST_CONNECT_TO); null when none are given and always
// in the release program.
const char* test_hook_connect_to();

// The stall time-out in seconds that a test asks for (KSTLUPD_TEST_STALL_SECONDS, a
// whole number from 1 to 3599); `fallback` when none is given or the text is not
// such a number, and always in the release program.
long test_hook_stall_seconds(long fallback);

// The minisign public keys a test trusts in place of the build's (KSTLUPD_TEST_UPDATE_KEYS,
// as KSTLUPD_UPDATE_KEYS is written); null when none are given and always in the
// release program.
const char* test_hook_update_keys();
