#pragma once

// The local file into which installed files are fetched for comparison (module state
// tempFileName).
enum class FetchFileStatus {
    Ready,     // tempFileName names the file
    NoFolder,  // the temporary folder cannot be determined
    NoName,    // no file could be created in it, or none that can be opened by a path
};

// Makes tempFileName once per process: a new file in the temporary folder (TMPDIR, else
// /tmp), readable only by the user, that has no name in the folder: it is unlinked as it is
// made and kept open by the process, so that it is gone when the process ends, even when it
// is killed. tempFileName is the path that opens it through that descriptor
// (/proc/self/fd/N); the fetch writes to it by that path. Later calls reuse it.
FetchFileStatus prepareFetchFile();
