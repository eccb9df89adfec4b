#!/usr/bin/env node
// Runs the Khronos glTF validator on each FILE: every error and warning is
// a fault; infos and hints are listed without failing.
//
// usage: validate.mjs FILE...
// Exit 0 when no file has an error or a warning, 1 otherwise.
import fs from "node:fs";
import validator from "gltf-validator";

let faults = 0;
for (const file of process.argv.slice(2)) {
  try {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), { maxIssues: 0 });
    const { numErrors, numWarnings, numInfos, numHints, messages } = report.issues;
    for (const m of messages) {
      const kind = ["error", "warning", "info", "hint"][m.severity];
      console.log(`${file}: ${kind} ${m.code} at ${m.pointer || "-"}: ${m.message}`);
    }
    console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos, ${numHints} hints`);
    if (numErrors || numWarnings) ++faults;
  } catch (e) {
    console.log(`${file}: cannot be validated: ${e.message}`);
    ++faults;
  }
}
process.exit(faults ? 1 : 0);
