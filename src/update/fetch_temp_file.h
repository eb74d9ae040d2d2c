#pragma once

// The local file into which installed files are fetched for comparison (module state
// tempFileName).
enum class FetchFileStatus {
    Ready,     // tempFileName names the file
    NoFolder,  // the temporary folder cannot be determined
    NoName,    // no unique file could be created in it
};

// Makes tempFileName once per process: a new file with a unique name beginning with "VK" in
// the temporary folder (TMPDIR, else /tmp), created exclusively and readable only by the
// user. The process removes it when it ends. Later calls reuse the name.
FetchFileStatus prepareFetchFile();
