// The shared library is assembled from the subsystem archives; this file gives it a source.
