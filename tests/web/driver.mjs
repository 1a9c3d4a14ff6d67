// Drives Debian's Chromium, headless, for the browser tests: start it, open
// a page, wait for a condition on the page, read the canvas's pixels, press
// keys by KeyboardEvent.code, reload, read localStorage, take a screenshot;
// and for a program's page of the browser host (host/web/page.js): wait for
// it to run, count the frames it shows, tap keys, choose menu items, wait for
// its end.
//
//   import { launchBrowser, openProgram, ... } from './driver.mjs';
//   const browser = await launchBrowser();
//   const page = await openProgram(browser, 'quorl.html');
//   await tapKey(page, 'Numpad2');
//   const pixels = await readCanvas(page);
//   pixelAt(pixels, 8, 8);  // {r, g, b, a}
//   await browser.close();  // also removes its profile folder
//
// Every wait has a timeout and fails with the page's console and errors, so
// a broken page ends the test with a reason instead of hanging it.

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const CHROMIUM = process.env.QUORL_CHROMIUM || '/usr/bin/chromium';
export const WAIT_MS = 30000;

// WebGL runs on SwiftShader (no GPU here, and --disable-gpu would take WebGL
// away). The machine has no network beyond the package registries: without
// the background-networking flags Chromium keeps trying to reach its
// services and logs refused connections. Sound plays without a click.
const CHROMIUM_ARGS = [
    '--no-sandbox',  // CI runs as root
    '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--disable-quic',
    '--no-first-run',
    '--no-default-browser-check',
    '--autoplay-policy=no-user-gesture-required',
    '--window-size=800,600',
];

// Starts headless Chromium with a fresh profile folder, removed on close.
export async function launchBrowser(extraArgs = []) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorl-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: CHROMIUM,
        headless: true,  // Chromium's new headless mode (--headless=new)
        userDataDir: profile,
        args: [...CHROMIUM_ARGS, ...extraArgs],
        protocolTimeout: WAIT_MS * 2,
    });
    const close = browser.close.bind(browser);
    browser.close = async () => {
        try {
            await close();
        } finally {
            fs.rmSync(profile, { recursive: true, force: true });
        }
    };
    return browser;
}

// Opens url in a new tab (of the given viewport, else the window's) and
// waits for its load event. page.logs collects the console output and
// uncaught errors, for failure messages.
export async function openPage(browser, url, viewport = null) {
    const page = await browser.newPage();
    if (viewport) {
        await page.setViewport(viewport);
    }
    page.logs = [];
    page.on('console', (message) => page.logs.push(`console.${message.type()}: ${message.text()}`));
    page.on('pageerror', (error) => page.logs.push(`page error: ${error.stack || error.message}`));
    page.on('requestfailed', (request) => page.logs.push(`request failed: ${request.url()}`));
    await page.goto(url, { waitUntil: 'load', timeout: WAIT_MS });
    return page;
}

// Waits until condition (a function run in the page, with arg) returns a
// truthy value, and returns that value.
export async function waitForPage(page, condition, arg, timeout = WAIT_MS) {
    try {
        const handle = await page.waitForFunction(condition, { timeout, polling: 'raf' }, arg);
        return await handle.jsonValue();
    } catch (error) {
        throw new Error(`${error.message}\nwaiting for: ${condition}\n${page.logs.join('\n')}`);
    }
}

// The canvas's pixels as {width, height, data} (RGBA rows from the top). A
// WebGL canvas keeps its picture for this only with preserveDrawingBuffer.
export async function readCanvas(page, selector = 'canvas') {
    const { width, height, base64 } = await page.$eval(selector, (canvas) => {
        const copy = document.createElement('canvas');
        copy.width = canvas.width;
        copy.height = canvas.height;
        const context = copy.getContext('2d', { willReadFrequently: true });
        context.drawImage(canvas, 0, 0);
        const bytes = context.getImageData(0, 0, copy.width, copy.height).data;
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        }
        return { width: copy.width, height: copy.height, base64: btoa(text) };
    });
    return { width, height, data: Buffer.from(base64, 'base64') };
}

// Decodes a picture file with the browser's own decoder (a reference that
// shares no code with the program under test), as {width, height, data}.
export async function decodeInPage(page, url) {
    const { width, height, base64 } = await page.evaluate(async (address) => {
        const blob = await (await fetch(address)).blob();
        const bitmap = await createImageBitmap(blob, { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
        const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
        const context = canvas.getContext('2d');
        context.drawImage(bitmap, 0, 0);
        const bytes = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        }
        return { width: bitmap.width, height: bitmap.height, base64: btoa(text) };
    }, url);
    return { width, height, data: Buffer.from(base64, 'base64') };
}

export function pixelAt(picture, x, y) {
    const i = (y * picture.width + x) * 4;
    const d = picture.data;
    return { r: d[i], g: d[i + 1], b: d[i + 2], a: d[i + 3] };
}

// Presses and releases a key named by its KeyboardEvent.code ('Numpad2',
// 'Digit2', 'ArrowLeft', 'KeyA', 'Enter', 'Escape', 'F10'); the page gets
// the code whatever the layout. keyDown and keyUp hold a key across frames.
export async function pressKey(page, code) {
    await page.keyboard.press(code);
}

export async function keyDown(page, code) {
    await page.keyboard.down(code);
}

export async function keyUp(page, code) {
    await page.keyboard.up(code);
}

// Reloads the page (same profile: localStorage stays) and waits for load.
export async function reloadPage(page) {
    await page.reload({ waitUntil: 'load', timeout: WAIT_MS });
}

// The page origin's localStorage as a plain object.
export async function readLocalStorage(page) {
    return page.evaluate(() => Object.fromEntries(Object.entries(localStorage)));
}

// Saves the page (or the element matching selector) as a PNG file.
export async function screenshot(page, file, selector) {
    const target = selector ? await page.$(selector) : page;
    await target.screenshot({ path: file });
}

// ---- Programs on the browser host ---------------------------------------------

// The address of a file of the served build-web/ folder (QUORL_WEB_URL).
export function webUrl(file) {
    return new URL(file, process.env.QUORL_WEB_URL).href;
}

// Opens a program's page (a path in build-web/) in a browser or a browser
// context of its own, and waits until it has shown its first frames.
export async function openProgram(browser, file, viewport = null) {
    const page = await openPage(browser, webUrl(file), viewport);
    await waitForFrames(page, 2);
    return page;
}

// Frames the program has shown since its page opened.
export async function framesShown(page) {
    return page.evaluate(() => quorlPage.frames);
}

// Waits until the program has shown `count` more frames.
export async function waitForFrames(page, count) {
    const start = await page.evaluate(() => (quorlPage.frames));
    await waitForPage(page, (frame) => quorlPage.frames >= frame, start + count);
}

// Presses and releases a key, then waits until the program has shown two
// more frames: the press has been sampled and its effect drawn. (Two taps
// of one key within one frame would count as one.)
export async function tapKey(page, code) {
    await pressKey(page, code);
    await waitForFrames(page, 2);
}

// Clicks through the menu bar, e.g. clickMenu(page, 'Video', 'Performance',
// 'Reuse textures (faster)'), with the mouse as a player would.
export async function clickMenu(page, ...texts) {
    for (const text of texts) {
        const buttons = await page.$$('#menubar button');
        let target = null;
        for (const button of buttons) {
            const label = await button.evaluate((b) => b.textContent);
            const shown = await button.evaluate((b) => b.offsetParent !== null);
            if (label === text && shown) {
                target = button;
            }
        }
        if (!target) {
            throw new Error(`no menu item "${text}" on show`);
        }
        await target.click();
    }
}

// Whether the menu item with this text shows a check mark.
export async function menuMarked(page, text) {
    return page.$$eval('#menubar button', (buttons, label) =>
        buttons.some((b) => b.textContent === label && b.classList.contains('checked')), text);
}

// Waits for the program's end and returns its exit code as the page shows it.
export async function waitForEnd(page) {
    return Number(await waitForPage(page, () => document.body.dataset.exitCode));
}

// The colour a channel of a PNG picture shows with after a 16-bit load that
// keeps its top `bits` bits, drawn on an 8-bit screen.
export function shownChannel(value, bits) {
    const most = (1 << bits) - 1;
    const kept = value >> (8 - bits);
    return Math.floor((kept * 255 + (most >> 1)) / most);
}

// Pixels of a w x h area at (x, y) of the canvas whose red, green or blue
// differ from expected(x, y) ({r, g, b}); a few of them in `samples`.
export function differingPixels(canvas, x, y, w, h, expected) {
    const samples = [];
    let count = 0;
    for (let py = y; py < y + h; ++py) {
        for (let px = x; px < x + w; ++px) {
            const got = pixelAt(canvas, px, py);
            const want = expected(px, py);
            if (got.r !== want.r || got.g !== want.g || got.b !== want.b) {
                if (++count <= 4) {
                    samples.push(`(${px},${py}) ${got.r},${got.g},${got.b} for ${want.r},${want.g},${want.b}`);
                }
            }
        }
    }
    return { count, samples };
}

// Listens to the page's Web Audio output from its start (call before the
// page loads): every buffer SDL2 hands its ScriptProcessorNode is measured
// as it leaves. audioHeard then tells the audio contexts' states and the
// loudest sample so far. Headless Chromium lets any page play sound; a
// browser on a desktop starts a page's audio context suspended until the
// player's first click or key press, and so does the page here.
export async function listenToAudio(page) {
    await page.evaluateOnNewDocument(() => {
        window.quorlAudio = { contexts: [], peak: 0, buffers: 0 };
        const PageAudioContext = window.AudioContext;
        window.AudioContext = class extends PageAudioContext {
            constructor(...args) {
                super(...args);
                // (Puppeteer's evaluate calls count as user gestures: the page
                // starts suspended whatever the activation says.)
                this.suspend();
            }
        };
        const create = PageAudioContext.prototype.createScriptProcessor;
        PageAudioContext.prototype.createScriptProcessor = function (...args) {
            const node = create.apply(this, args);
            window.quorlAudio.contexts.push(this);
            node.addEventListener('audioprocess', (event) => {
                // Listeners run after onaudioprocess, SDL2's, has filled the buffer.
                setTimeout(() => {
                    const samples = event.outputBuffer.getChannelData(0);
                    let peak = 0;
                    for (const sample of samples) {
                        peak = Math.max(peak, Math.abs(sample));
                    }
                    window.quorlAudio.peak = Math.max(window.quorlAudio.peak, peak);
                    window.quorlAudio.buffers++;
                });
            });
            return node;
        };
    });
}

export async function audioHeard(page) {
    return page.evaluate(() => ({
        states: window.quorlAudio.contexts.map((context) => context.state),
        peak: window.quorlAudio.peak,
        buffers: window.quorlAudio.buffers,
    }));
}
