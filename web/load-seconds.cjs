// How long the page checks wait for X_ITE to load a world: chromium renders
// in software here, on a machine others may be loading. ZKCP_LOAD_SECONDS
// overrides it.
module.exports = Number(process.env.ZKCP_LOAD_SECONDS || 90);
