// The test programs under node read their settings (QENT_ASSET_DIR, QENT_SOAK_FRAMES, TMPDIR...)
// from the environment, which emscripten does not pass on by itself.
Module['preRun'] = (Module['preRun'] || []).concat(function() {
  Object.assign(ENV, process.env);
});
