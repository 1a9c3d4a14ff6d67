// The browser build's pieces, checked in headless Chromium through the probe
// page (probe.cpp). QUORL_WEB_URL is the address of the served build-web/
// folder (tools/test-web.sh starts the server and sets it).

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import {
    decodeInPage, launchBrowser, openPage, pixelAt, pressKey, readCanvas, readLocalStorage,
    reloadPage, screenshot, waitForPage,
} from './driver.mjs';

const base = process.env.QUORL_WEB_URL;
const probeUrl = new URL('probe/probe.html', base).href;
const SPRITE_X = 200;  // where probe.cpp draws boules.png over fond.png
const SPRITE_Y = 80;
const MARK_SIZE = 16;  // the key square at the top left

let browser;
before(async () => {
    assert.ok(base, 'QUORL_WEB_URL names the served build-web/ folder');
    browser = await launchBrowser();
});
after(async () => {
    await browser?.close();
});

async function openProbe(query = '') {
    const page = await openPage(browser, probeUrl + query);
    await waitForPage(page, () => probe.state !== 'loading' && probe.state !== 'starting');
    const state = await page.evaluate(() => probe.state);
    assert.equal(state, 'running', `probe ended early:\n${page.logs.join('\n')}`);
    return page;
}

async function framesAfter(page, count) {
    const start = await page.evaluate(() => probe.frames);
    await waitForPage(page, (frame) => probe.frames >= frame, start + count);
}

describe('probe page', () => {
    for (const webgl of [1, 2]) {
        test(`WebGL ${webgl}: what the host relies on reads back right, sound plays to its end`, async (t) => {
            const page = await openProbe(`?webgl=${webgl}`);
            // The sound check comes last, from the frame loop.
            await waitForPage(page, () => probe.checks.some((c) => c.name.startsWith('WAV and Ogg')));
            const checks = await page.evaluate(() => probe.checks);
            for (const check of checks.filter((c) => !c.required)) {
                t.diagnostic(`${check.ok ? 'works' : 'fails'}: ${check.name} ${check.detail}`);
            }
            const failed = checks.filter((c) => c.required && !c.ok);
            assert.deepEqual(failed, [], `${page.logs.join('\n')}`);
            await page.close();
        });
    }

    test('the canvas shows the pictures libpng decoded, as Chromium decodes them', async () => {
        const page = await openProbe();
        await framesAfter(page, 2);
        const canvas = await readCanvas(page);
        await screenshot(page, new URL('../../build-web/probe/screenshot.png', import.meta.url).pathname, 'canvas');
        const background = await decodeInPage(page, 'fond.png');
        const sprite = await decodeInPage(page, 'boules.png');
        await page.close();

        const wrong = [];
        for (let y = 0; y < canvas.height; ++y) {
            for (let x = 0; x < canvas.width; ++x) {
                if (x < MARK_SIZE && y < MARK_SIZE) {
                    continue;
                }
                const want = pixelAt(background, x, y);
                let tolerance = 0;
                const sx = x - SPRITE_X;
                const sy = y - SPRITE_Y;
                if (sx >= 0 && sy >= 0 && sx < sprite.width && sy < sprite.height) {
                    const s = pixelAt(sprite, sx, sy);
                    for (const channel of ['r', 'g', 'b']) {
                        want[channel] = (s[channel] * s.a + want[channel] * (255 - s.a)) / 255;
                    }
                    // Chromium's decoder keeps premultiplied colours.
                    tolerance = s.a === 0 || s.a === 255 ? 0.5 : 2.5;
                }
                const got = pixelAt(canvas, x, y);
                if (['r', 'g', 'b'].some((c) => Math.abs(got[c] - want[c]) > tolerance)) {
                    wrong.push(`(${x},${y}) ${JSON.stringify(got)} for ${JSON.stringify(want)}`);
                }
            }
        }
        assert.equal(wrong.length, 0, `${wrong.length} pixels differ, first: ${wrong.slice(0, 5).join('; ')}`);
    });

    for (const mode of ['raf', 'sleep']) {
        test(`the frame loop yields to the browser (${mode === 'raf' ? 'animation frames' : 'emscripten_sleep'})`, async (t) => {
            const page = await openProbe(mode === 'sleep' ? '?yield=sleep' : '');
            await framesAfter(page, 60);
            const intervals = (await page.evaluate(() => probe.intervals)).slice(10).sort((a, b) => a - b);
            t.diagnostic(`frame interval p50 ${intervals[intervals.length >> 1].toFixed(1)} ms, ` +
                         `p99 ${intervals[Math.floor(intervals.length * 0.99)].toFixed(1)} ms`);
            await page.close();
        });
    }

    test('a key reaches the program by its code: Numpad2 counts, Digit2 does not', async () => {
        const page = await openProbe();
        const mark = async () => pixelAt(await readCanvas(page), MARK_SIZE / 2, MARK_SIZE / 2);
        await framesAfter(page, 2);
        assert.deepEqual(await mark(), { r: 255, g: 0, b: 255, a: 255 });
        await pressKey(page, 'Digit2');
        await framesAfter(page, 2);
        assert.equal(await page.evaluate(() => probe.keys), 0);
        await pressKey(page, 'Numpad2');
        await waitForPage(page, () => probe.keys === 1);
        await framesAfter(page, 2);
        assert.deepEqual(await mark(), { r: 0, g: 255, b: 0, a: 255 });
        await page.close();
    });

    test('localStorage keeps what the program wrote across a reload', async () => {
        const page = await openProbe();
        const runs = Number((await readLocalStorage(page))['quorlProbe/runs']);
        assert.ok(runs >= 1);
        await reloadPage(page);
        await waitForPage(page, () => probe.state === 'running');
        assert.equal(Number((await readLocalStorage(page))['quorlProbe/runs']), runs + 1);
        await page.close();
    });
});
