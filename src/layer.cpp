// Compiled into every layer library, so that a layer is a library even while its own folder
// is still empty.
