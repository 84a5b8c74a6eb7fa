#!/usr/bin/env node
// Checks model files with the Khronos glTF Validator: prints each file's
// report as JSON and exits with 1 when any file has an error (2 when a file
// cannot be read), so tests and scripts can rely on the exit status.
'use strict';

const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function validateFile(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 0,
  });
  console.log(JSON.stringify({ file, issues: report.issues }, null, 2));
  return report.issues.numErrors;
}

async function main(files) {
  if (files.length === 0) {
    console.error('usage: validate.js FILE...');
    return 2;
  }
  let failed = false;
  for (const file of files) {
    try {
      if (await validateFile(file) > 0) failed = true;
    } catch (error) {
      console.error(`${file}: ${error.message || error}`);
      return 2;
    }
  }
  return failed ? 1 : 0;
}

main(process.argv.slice(2)).then((status) => { process.exitCode = status; });
