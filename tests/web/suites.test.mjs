// The library's GL suites (tests/test_graphics.cpp, test_image.cpp,
// test_draw.cpp, test_game_draw.cpp, test_shapes.cpp, test_text.cpp,
// test_screenshot.cpp, test_zoom.cpp), compiled unchanged with emcc onto the
// browser host's GL layer, each a page of build-web/tests/ that runs the
// suite and shows its exit code; GoogleTest's report goes to the console.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launchBrowser, openPage, waitForPage, webUrl } from './driver.mjs';

// Each suite whole, but for the screenshot suite's GL half alone: its other
// tests are about files (paths through a plain file, a file-size limit,
// which Emscripten's in-memory files know neither of) and a second thread
// (which a page has not), the platform's business rather than the host's.
const SUITES = ['test_graphics', 'test_image', 'test_draw', 'test_game_draw', 'test_shapes', 'test_text',
    'test_screenshot?filter=Screenshot.SavesTheFrameLastShownInEveryMode', 'test_zoom'];
const SUITE_MS = 120000;

let browser;
before(async () => {
    browser = await launchBrowser();
});
after(async () => {
    await browser?.close();
});

for (const suite of SUITES) {
    test(`${suite.split('?')[0]} passes in the browser`, async (t) => {
        const [name, query] = suite.split('?');
        const page = await openPage(browser, webUrl(`tests/${name}.html${query ? `?${query}` : ''}`));
        const code = await waitForPage(page, () => document.body.dataset.exitCode, undefined, SUITE_MS);
        const report = page.logs.map((line) => line.replace(/^console\.\w+: /, ''));
        t.diagnostic(report.filter((line) => /^\[  (PASSED|FAILED|SKIPPED) /.test(line)).join('\n'));
        assert.equal(code, '0', report.join('\n'));
        await page.close();
    });
}
