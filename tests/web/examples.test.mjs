// The two example games in their pages (build-web/examples/<name>/), played
// in headless Chromium and checked by the canvas's pixels, as
// examples/e2e_examples.sh checks them on the desktop, and by the page's
// sound output.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import {
    audioHeard, keyDown, keyUp, launchBrowser, listenToAudio, openProgram, pixelAt, readCanvas,
    waitForFrames, waitForPage, webUrl,
} from './driver.mjs';

const HELLO = 'examples/hello_sprite/hello_sprite.html';
const SHOWCASE = 'examples/showcase/showcase.html';
const WINDOW = { r: 58, g: 142, b: 232 };  // the rocket's window (make_pictures.cpp)

let browser;
before(async () => {
    browser = await launchBrowser();
});
after(async () => {
    await browser?.close();
});

function near(pixel, colour, tolerance) {
    return ['r', 'g', 'b'].every((c) => Math.abs(pixel[c] - colour[c]) <= tolerance);
}

// The first column of row y showing the colour, or -1.
function firstColumn(canvas, y, colour, tolerance) {
    for (let x = 0; x < canvas.width; ++x) {
        if (near(pixelAt(canvas, x, y), colour, tolerance)) {
            return x;
        }
    }
    return -1;
}

test('hello_sprite: Right moves the rocket right', async () => {
    const page = await openProgram(browser, HELLO);
    const start = firstColumn(await readCanvas(page), 136, WINDOW, 12);
    assert.ok(start >= 224 && start < 256, `the rocket's window starts at x ${start}`);
    await keyDown(page, 'ArrowRight');
    await waitForFrames(page, 20);
    await keyUp(page, 'ArrowRight');
    await waitForFrames(page, 2);
    const moved = firstColumn(await readCanvas(page), 136, WINDOW, 12);
    assert.ok(moved > start + 10, `the rocket's window went from x ${start} to ${moved}`);
    await page.close();
});

test('showcase: frame 90 draws every part as on the desktop', async () => {
    const page = await openProgram(browser, SHOWCASE);
    // Held, the main row's 1 (the keypad's 1 on a laptop) shows frame 90.
    await keyDown(page, 'Digit1');
    await waitForFrames(page, 4);
    const canvas = await readCanvas(page);
    await keyUp(page, 'Digit1');
    const PANEL = { r: 38, g: 44, b: 62 };
    const expected = [
        ['scale: the star at twice its size', 64, 66, { r: 255, g: 204, b: 51 }, 6],
        ['scale: along an arm', 79, 77, { r: 255, g: 204, b: 51 }, 6],
        ['scale: between the arms', 84, 62, PANEL, 2],
        ['pivot rotation: the hand points left', 166, 82, { r: 200, g: 58, b: 58 }, 8],
        ['pivot rotation: the dial', 181, 67, { r: 244, g: 236, b: 216 }, 6],
        ['draw target: red quarter top right', 314, 66, { r: 230, g: 60, b: 60 }, 3],
        ['draw target: green quarter', 314, 98, { r: 60, g: 200, b: 90 }, 3],
        ['draw target: blue quarter', 282, 98, { r: 60, g: 110, b: 230 }, 3],
        ['draw target: yellow quarter', 282, 66, { r: 240, g: 200, b: 60 }, 3],
        ['palette cycle: colour 10 in the centre', 415, 82, { r: 79, g: 41, b: 181 }, 3],
        ['PF_T4 through a PF_5650 palette: colour 0', 345, 216, { r: 255, g: 145, b: 82 }, 3],
        ['PF_T4 through a PF_5650 palette: colour 11', 369, 232, { r: 106, g: 28, b: 148 }, 3],
        ['PF_T8: no red at the left', 419, 212, { r: 0, g: 0, b: 160 }, 2],
        ['PF_T8: red at the right', 450, 212, { r: 255, g: 0, b: 160 }, 2],
        ['PF_T8: green at the bottom', 450, 243, { r: 255, g: 255, b: 160 }, 2],
    ];
    const wrong = expected.filter(([, x, y, colour, tolerance]) => !near(pixelAt(canvas, x, y), colour, tolerance))
        .map(([what, x, y]) => `${what}: (${x},${y}) is ${JSON.stringify(pixelAt(canvas, x, y))}`);
    assert.deepEqual(wrong, []);
    await page.close();
});

test('showcase: its music starts at the first click, as browsers require', async () => {
    const page = await browser.newPage();
    page.logs = [];
    await listenToAudio(page);
    await page.goto(webUrl(SHOWCASE));
    await waitForFrames(page, 30);
    const before = await audioHeard(page);
    assert.deepEqual(before.states, ['suspended']);
    assert.equal(before.peak, 0);
    await page.click('#canvas');
    await waitForPage(page, () => window.quorlAudio.peak > 0.05);
    assert.deepEqual((await audioHeard(page)).states, ['running']);
    await page.close();
});
