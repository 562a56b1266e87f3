/* A module for the version reader to look at; it has no code worth calling. */
__declspec(dllexport) int VersionModuleMarker(void) { return 1; }
