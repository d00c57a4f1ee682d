#pragma once

// The CUPS backend "druckserver": it hands each job of a raw queue with the device URI
// "druckserver:/USER" to USER's running server (QueueLink.h says where and how).
//
// CUPS runs it as root (mode 0700), with the job's spool file as its sixth argument. It
// opens that file, then becomes USER (supplementary groups, group, user) before it looks at
// anything of USER's, so root never follows a path USER controls. Then:
// - no server of USER listens: it says so ("INFO:", the queue shows it) and waits for one,
//   trying every second, as a backend waits for a printer that is switched off. After
//   BackendWaitSeconds ($DRUCKSERVER_BACKEND_WAIT when set) it ends with
//   CUPS_BACKEND_RETRY_CURRENT, and CUPS starts it again at once for the same job: the job
//   stays in the queue however long no server runs, later jobs stay behind it in their
//   order, and neither of CUPS's limits ends it (JobRetryLimit counts "retry" exits, five
//   by default; MaxJobTime, three hours by default, cancels a job one backend run holds).
// - the server confirmed the job: it is in the server's spool, synced; exit 0.
// - the server did not confirm (it ended midway, or cannot write its spool now): exit
//   CUPS_BACKEND_RETRY; CUPS sends the job again later, and a server that had spooled it
//   already confirms it without spooling it twice.
// - the job is larger than queuelink::LargestJob: CUPS_BACKEND_CANCEL.
// - USER does not exist, the URI names no user, or the backend cannot become USER (it
//   does not run as root): CUPS_BACKEND_STOP, the queue stops with the reason in its log.
// Without arguments it prints the line CUPS lists its devices by.
int runQueueBackend(int argc, char** argv);

// How long one run of the backend waits for a server before CUPS starts it again.
inline constexpr int BackendWaitSeconds = 300;
