// Drives Debian's Chromium, headless, for the browser tests: start it, open
// a page, wait for a condition on the page, read the canvas's pixels, press
// keys by KeyboardEvent.code, reload, read localStorage, take a screenshot.
//
//   import { launchBrowser, openPage, ... } from './driver.mjs';
//   const browser = await launchBrowser();
//   const page = await openPage(browser, url);
//   await waitForPage(page, () => probe.state === 'running');
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

// Opens url in a new tab and waits for its load event. page.logs collects
// the console output and uncaught errors, for failure messages.
export async function openPage(browser, url) {
    const page = await browser.newPage();
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
