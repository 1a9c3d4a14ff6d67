// The bundled game in its page (build-web/quorl.html) in headless Chromium,
// checked by the canvas's pixels against the game's pictures as the browser
// decodes them, by the frames the page has shown, and by what the page says.
// Each test has a browser context of its own: its own localStorage.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import {
    clickMenu, decodeInPage, differingPixels, framesShown, launchBrowser, menuMarked, openPage,
    openProgram, pixelAt, pressKey, readCanvas, readLocalStorage, reloadPage, shownChannel,
    tapKey, waitForEnd, waitForFrames, waitForPage, webUrl,
} from './driver.mjs';

const GAME = 'quorl.html';
const BLACK = { r: 0, g: 0, b: 0 };

let browser;
before(async () => {
    browser = await launchBrowser();
});
after(async () => {
    await browser?.close();
});

async function openGame(viewport = null) {
    const context = await browser.createBrowserContext();
    const page = await openProgram(context, GAME, viewport);
    const pictures = {};
    for (const name of ['intro', 'fond', 'boules', 'solutions', 'fleche']) {
        pictures[name] = await decodeInPage(page, `${name}.png`);
    }
    return { context, page, pictures };
}

// What a PF_5551 picture's pixel shows over `under`: its colour cut to 5
// bits where its alpha is at least one half, else what is under it.
function shown5551(picture, x, y, under) {
    const p = pixelAt(picture, x, y);
    if (p.a < 128) {
        return under;
    }
    return { r: shownChannel(p.r, 5), g: shownChannel(p.g, 5), b: shownChannel(p.b, 5) };
}

// Pixels of the w x h area at (x, y) that differ from a sheet's area at
// (sx, sy) laid over the board's background.
function tileDiffers(canvas, pictures, sheet, x, y, w, h, sx, sy) {
    return differingPixels(canvas, x, y, w, h, (px, py) =>
        shown5551(pictures[sheet], sx + px - x, sy + py - y, shown5551(pictures.fond, px, py, BLACK)));
}

// The tile of solutions.png that row `row`'s mark cell shows, or -1.
function markTile(canvas, pictures, row) {
    for (let tile = 0; tile < 15; ++tile) {
        if (tileDiffers(canvas, pictures, 'solutions', 312, 245 - 23 * (row - 1), 12, 12, 0, 12 * tile).count === 0) {
            return tile;
        }
    }
    return -1;
}

// Waits until a download folder holds `count` whole files; returns the newest.
async function waitForFile(folder, count) {
    for (let i = 0; i < 300; ++i) {
        const names = fs.readdirSync(folder).filter((name) => !name.endsWith('.crdownload'));
        if (names.length >= count) {
            return names.map((name) => path.join(folder, name))
                .sort((a, b) => fs.statSync(b).mtimeMs - fs.statSync(a).mtimeMs)[0];
        }
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    throw new Error(`no download in ${folder}`);
}

// Waits for the page's next `count` animation frames.
async function browserFrames(page, count) {
    await page.evaluate(async (n) => {
        for (let i = 0; i < n; ++i) {
            await new Promise((resolve) => requestAnimationFrame(resolve));
        }
    }, count);
}

describe('the game in the browser', () => {
    test('the intro shows intro.png pixel for pixel', async () => {
        const { context, page, pictures } = await openGame();
        const canvas = await readCanvas(page);
        const wrong = differingPixels(canvas, 0, 0, 480, 272, (x, y) => shown5551(pictures.intro, x, y, BLACK));
        assert.equal(wrong.count, 0, wrong.samples.join('; '));
        await context.close();
    });

    test('keypad 2 starts a game, places balls, and a full row gets its marks', async () => {
        const { context, page, pictures } = await openGame();
        await tapKey(page, 'Numpad2');
        let canvas = await readCanvas(page);
        // The board's background left of the board, and colour 1 chosen.
        let wrong = differingPixels(canvas, 0, 0, 150, 272, (x, y) => shown5551(pictures.fond, x, y, BLACK));
        assert.equal(wrong.count, 0, `background: ${wrong.samples.join('; ')}`);
        assert.equal(tileDiffers(canvas, pictures, 'fleche', 372, 86, 16, 16, 0, 0).count, 0, 'cursor at colour 1');
        assert.equal(markTile(canvas, pictures, 1), 0, 'row 1 starts without marks');

        // Colours 1 to 4 in the four cells of row 1.
        for (let colour = 1; colour <= 4; ++colour) {
            if (colour > 1) {
                await tapKey(page, 'ArrowRight');
            }
            await tapKey(page, 'Numpad2');
            canvas = await readCanvas(page);
            const cell = tileDiffers(canvas, pictures, 'boules', 205 + 24 * (colour - 1), 243, 16, 16, 0, 16 * colour);
            assert.equal(cell.count, 0, `cell ${colour}: ${cell.samples.join('; ')}`);
        }
        // Four different colours out of six share at least two with any code.
        const tile = markTile(canvas, pictures, 1);
        assert.ok(tile > 0, `row 1's marks show tile ${tile}`);
        await context.close();
    });

    test('Pause holds the picture and Step frame advances one frame at a time', async () => {
        const { context, page, pictures } = await openGame();
        await tapKey(page, 'Numpad2');
        await clickMenu(page, 'Application', 'Pause');
        await waitForPage(page, () => [...document.querySelectorAll('#menubar button')]
            .some((b) => b.textContent === 'Pause' && b.classList.contains('checked')));
        const held = await framesShown(page);
        const picture = await readCanvas(page);
        // A key pressed while paused changes nothing on the screen.
        await pressKey(page, 'ArrowRight');
        await browserFrames(page, 30);
        assert.equal(await framesShown(page), held);
        assert.ok((await readCanvas(page)).data.equals(picture.data), 'the picture changed while paused');

        // The first step shows the frame drawn before the pause; the second
        // the frame that took the key.
        await clickMenu(page, 'Application', 'Step frame');
        await waitForPage(page, (n) => quorlPage.frames >= n, held + 1);
        await browserFrames(page, 30);
        assert.equal(await framesShown(page), held + 1);
        assert.ok((await readCanvas(page)).data.equals(picture.data), 'the first step showed a new picture');
        await clickMenu(page, 'Application', 'Step frame');
        await waitForPage(page, (n) => quorlPage.frames >= n, held + 2);
        await browserFrames(page, 30);
        assert.equal(await framesShown(page), held + 2);
        const stepped = await readCanvas(page);
        assert.equal(tileDiffers(stepped, pictures, 'fleche', 390, 86, 16, 16, 0, 0).count, 0, 'cursor at colour 2');
        assert.ok(await menuMarked(page, 'Pause'));

        await clickMenu(page, 'Application', 'Pause');
        await waitForFrames(page, 10);
        assert.equal(await menuMarked(page, 'Pause'), false);
        await context.close();
    });

    test('the game holds while its tab is in the background, and a pause of the player\'s stays', async () => {
        const { context, page } = await openGame();
        const other = await context.newPage();
        const markShows = () => [...document.querySelectorAll('#menubar button')]
            .some((b) => b.textContent === 'Pause' && b.classList.contains('checked'));
        for (const playerPaused of [false, true]) {
            if (playerPaused) {
                await clickMenu(page, 'Application', 'Pause');
                await waitForPage(page, markShows);
            }
            await other.bringToFront();
            await waitForPage(page, markShows);
            const held = await framesShown(page);
            await browserFrames(other, 30);
            assert.equal(await framesShown(page), held, 'frames shown in the background');
            await page.bringToFront();
            if (playerPaused) {
                await browserFrames(page, 30);
                assert.equal(await menuMarked(page, 'Pause'), true);
                assert.equal(await framesShown(page), held);
            } else {
                await waitForFrames(page, 10);
                assert.equal(await menuMarked(page, 'Pause'), false);
            }
        }
        await context.close();
    });

    test('the menu settings are stored and survive a reload', async () => {
        const { context, page } = await openGame();
        assert.equal(await menuMarked(page, 'Reuse textures (faster)'), false);
        assert.equal(await menuMarked(page, 'Normal (PC-timed)'), true);
        await clickMenu(page, 'Video', 'Performance', 'Reuse textures (faster)');
        await clickMenu(page, 'Video', 'Frameskip', 'None');
        await waitForPage(page, () => localStorage.getItem('Quorl/Configuration/emuFrameSkipMode') === '1');
        const stored = await readLocalStorage(page);
        assert.equal(stored['Quorl/Configuration/emuReuseTextures'], '1');
        assert.equal(stored['Quorl/Configuration/emuUsePixelShaders'], '0');

        await reloadPage(page);
        await waitForFrames(page, 2);
        assert.equal(await menuMarked(page, 'Reuse textures (faster)'), true);
        assert.equal(await menuMarked(page, 'None'), true);
        assert.equal(await menuMarked(page, 'Normal (PC-timed)'), false);
        // The grayed item is there, and cannot be chosen.
        assert.equal(await page.$$eval('#menubar button', (buttons) =>
            buttons.find((b) => b.textContent === 'Use shaders').disabled), true);
        await context.close();
    });

    test('a game pad\'s A button starts a game, read through the page\'s Gamepad API', async () => {
        const context = await browser.createBrowserContext();
        const page = await context.newPage();
        page.logs = [];
        // A standard pad as a browser reports it: what the Gamepad API gives
        // for a pad plugged in, its buttons pressed from the test.
        await page.evaluateOnNewDocument(() => {
            const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
            window.testPad = { id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: true, mapping: 'standard',
                axes: [0, 0, 0, 0], buttons, timestamp: 1 };
            navigator.getGamepads = () => [window.testPad, null, null, null];
        });
        await page.goto(webUrl(GAME));
        await waitForFrames(page, 10);
        const pictures = { intro: await decodeInPage(page, 'intro.png'), fond: await decodeInPage(page, 'fond.png') };
        const press = async (down) => {
            await page.evaluate((value) => {
                testPad.buttons[0] = { pressed: value, touched: value, value: value ? 1 : 0 };
                testPad.timestamp++;
            }, down);
            await waitForFrames(page, 3);
        };
        assert.equal(differingPixels(await readCanvas(page), 0, 0, 480, 272,
            (x, y) => shown5551(pictures.intro, x, y, BLACK)).count, 0, 'the intro');
        await press(true);
        await press(false);
        const wrong = differingPixels(await readCanvas(page), 0, 0, 150, 272,
            (x, y) => shown5551(pictures.fond, x, y, BLACK));
        assert.equal(wrong.count, 0, `the board's background: ${wrong.samples.join('; ')}`);
        await context.close();
    });

    test('Window size shows the canvas at its whole multiple that fits; full screen fills the screen', async () => {
        // With no size chosen yet the page opens as large as fits: 2x in 1400 x 900.
        const { context, page } = await openGame({ width: 1400, height: 900 });
        const shown = () => page.$eval('#canvas', (canvas) => [canvas.getBoundingClientRect().width,
            canvas.getBoundingClientRect().height, document.fullscreenElement?.id ?? null]);
        assert.deepEqual(await shown(), [960, 544, null]);
        assert.equal(await menuMarked(page, '2×'), true);
        // 3x does not fit, and shows as 2x with its mark.
        for (const [item, expected] of [['1× (480×272)', [480, 272, null]], ['3×', [960, 544, null]],
            ['1× (480×272)', [480, 272, null]]]) {
            await clickMenu(page, 'Video', 'Window size', item);
            await waitForPage(page, (w) => document.getElementById('canvas').getBoundingClientRect().width === w,
                expected[0]);
            assert.deepEqual(await shown(), expected, item);
            assert.equal(await menuMarked(page, item), true);
        }
        await clickMenu(page, 'Video', 'Window size', 'Full screen');
        await waitForPage(page, () => document.fullscreenElement?.id === 'screen');
        const [width, height] = await page.evaluate(() => [document.getElementById('screen').clientWidth,
            document.getElementById('screen').clientHeight]);
        const scale = Math.floor(Math.min(width / 480, height / 272));
        await waitForPage(page, (w) => document.getElementById('canvas').getBoundingClientRect().width === w,
            480 * scale);
        assert.equal(await menuMarked(page, 'Full screen'), true);
        assert.equal((await readLocalStorage(page))['Quorl/Configuration/emuFullScreen'], '1');
        // The browser leaves full screen (Escape, in a browser with a player
        // at it): the setting follows.
        await page.evaluate(() => document.exitFullscreen());
        await waitForPage(page, () => localStorage.getItem('Quorl/Configuration/emuFullScreen') === '0');
        assert.equal(await menuMarked(page, 'Full screen'), false);
        assert.deepEqual(await shown(), [480, 272, null]);
        await context.close();
    });

    test('the Controls dialog binds a key, stores it and puts it in force', async () => {
        const { context, page, pictures } = await openGame();
        await clickMenu(page, 'Application', 'Controls…');
        await waitForPage(page, () => !document.getElementById('controls').hidden);
        await page.click('#controls-cell-0-0');  // South's keys
        await waitForPage(page, () => document.getElementById('controls-cell-0-0').textContent === 'Press a key...');
        await pressKey(page, 'KeyX');
        await waitForPage(page, () => document.getElementById('controls-cell-0-0').textContent === 'X');
        await page.click('#controls-ok');
        await waitForPage(page, () => document.getElementById('controls').hidden);
        // The pad button stays.
        assert.equal((await readLocalStorage(page))['Quorl/Configuration/Controls/south'], 'KeyX,PadA');
        // Keypad 2 no longer starts a game; X does.
        await tapKey(page, 'Numpad2');
        assert.equal(differingPixels(await readCanvas(page), 0, 0, 480, 272,
            (x, y) => shown5551(pictures.intro, x, y, BLACK)).count, 0, 'the intro stays');
        await tapKey(page, 'KeyX');
        const wrong = differingPixels(await readCanvas(page), 0, 0, 150, 272,
            (x, y) => shown5551(pictures.fond, x, y, BLACK));
        assert.equal(wrong.count, 0, `the board's background: ${wrong.samples.join('; ')}`);
        await context.close();
    });

    test('F12 and Save screenshot hand the frame shown to the browser as a PNG download', async () => {
        const { context, page } = await openGame();
        const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorl-downloads-'));
        try {
            const session = await page.createCDPSession();
            await session.send('Page.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
            const canvas = await readCanvas(page);
            for (const [way, take] of [['F12', () => pressKey(page, 'F12')],
                ['Save screenshot', () => clickMenu(page, 'Application', 'Save screenshot')]]) {
                const before = fs.readdirSync(folder).length;
                await take();
                await waitForPage(page, () => document.title.startsWith('Saved Configuration-'));
                const file = await waitForFile(folder, before + 1);
                assert.match(path.basename(file), /^Configuration-\d{8}-\d{6}-\d{3}\.png$/, way);
                const saved = await decodeInPage(page, `data:image/png;base64,${fs.readFileSync(file).toString('base64')}`);
                assert.deepEqual([saved.width, saved.height], [480, 272], way);
                const wrong = differingPixels(saved, 0, 0, 480, 272, (x, y) => pixelAt(canvas, x, y));
                assert.equal(wrong.count, 0, `${way}: ${wrong.samples.join('; ')}`);
            }
            await waitForPage(page, () => document.title === 'Quorl Sample');
        } finally {
            fs.rmSync(folder, { recursive: true, force: true });
        }
        await context.close();
    });

    for (const [way, end] of [
        ['Application > Quit', (page) => clickMenu(page, 'Application', 'Quit')],
        ['Escape', (page) => pressKey(page, 'Escape')],
        ['Enter (Start)', (page) => pressKey(page, 'Enter')],
    ]) {
        test(`${way} ends the game with exit code 0 on the page`, async () => {
            const { context, page } = await openGame();
            await end(page);
            assert.equal(await waitForEnd(page), 0);
            assert.equal(await page.$eval('#ended-text', (e) => e.textContent), 'The game has ended.');
            assert.equal(await page.$eval('#ended', (e) => e.hidden), false);
            // Nothing runs any more.
            const frames = await framesShown(page);
            await browserFrames(page, 10);
            assert.equal(await framesShown(page), frames);
            await context.close();
        });
    }

    for (const [what, respond, message] of [
        ['a broken picture', { status: 200, contentType: 'image/png', body: 'not a picture' },
            'intro.png: not a PNG file'],
        ['a missing picture', { status: 404, body: '' }, 'Cannot load the picture "intro.png"'],
    ]) {
        test(`${what} is named on the page and ends the game with exit code 1`, async () => {
            const context = await browser.createBrowserContext();
            const page = await context.newPage();
            page.logs = [];
            await page.setRequestInterception(true);
            page.on('request', (request) => {
                if (new URL(request.url()).pathname.endsWith('/intro.png')) {
                    request.respond(respond);
                } else {
                    request.continue();
                }
            });
            await page.goto(webUrl(GAME));
            await waitForPage(page, () => !document.getElementById('panel').hidden);
            assert.equal(await page.$eval('#panel-caption', (e) => e.textContent), 'Error');
            assert.ok((await page.$eval('#panel-text', (e) => e.textContent)).startsWith(message));
            await page.click('#panel-ok');
            assert.equal(await waitForEnd(page), 1);
            assert.ok((await page.$eval('#ended-text', (e) => e.textContent)).includes(message));
            await context.close();
        });
    }

    test('a browser without WebGL gets a message instead of the game', async () => {
        const noWebgl = await launchBrowser(['--disable-3d-apis']);
        try {
            const page = await openPage(noWebgl, webUrl(GAME));
            await waitForPage(page, () => !document.getElementById('panel').hidden);
            assert.equal(await page.$eval('#panel-caption', (e) => e.textContent), 'The game cannot start');
            assert.match(await page.$eval('#panel-text', (e) => e.textContent), /no WebGL/);
            await page.click('#panel-ok');
            assert.equal(await waitForEnd(page), 1);
        } finally {
            await noWebgl.close();
        }
    });
});
