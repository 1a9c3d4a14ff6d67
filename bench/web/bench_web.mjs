// The browser benchmark (bash tools/bench.sh bench_web): runs the benchmark
// page (bench_web.cpp) and the game's own page in headless Chromium and
// prints a table, then name=value lines:
//   web_frame_ms, web_sprites1000_ms   the won screen and 1 000 sprites, from
//                                      the first draw to the frame done
//   web_sprites1000_webgl_ms           the peer: the same sprites from two
//                                      textures drawn by plain WebGL, in two
//                                      draw calls, timed the same way
//   web_sprites1000_vs_webgl           the ratio of the two
//   web_first_frame_ms                 page load to the game's first frame
//                                      shown, median of 10 loads in an open
//                                      browser (nothing cached)
//   web_interval_p50_ms, _p99_ms       intervals between frames shown over
//                                      600 frames of the running game
//   web_wasm_gzip_kb, web_js_gzip_kb   the game's .wasm and .js, gzipped
// QUORL_WEB_URL is the address of the served build-web/ folder.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { launchBrowser, openPage, waitForFrames, waitForPage, webUrl } from '../../tests/web/driver.mjs';

const BUILD = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../../build-web');
const LOADS = 10;
const INTERVALS = 600;
const BENCH_MS = 300000;

const figures = {};
const browser = await launchBrowser();
try {
    // The library's figures, from the benchmark page.
    const bench = await openPage(browser, webUrl('bench/bench_web.html'));
    const code = await waitForPage(bench, () => document.body.dataset.exitCode, undefined, BENCH_MS);
    for (const line of bench.logs) {
        const match = /^console\.log: ([a-z0-9_]+)=([-0-9.]+)$/.exec(line);
        if (match) {
            figures[match[1]] = Number(match[2]);
        }
    }
    if (code !== '0') {
        throw new Error(`the benchmark page failed:\n${bench.logs.join('\n')}`);
    }
    figures.web_sprites1000_webgl_ms = await webglSprites(bench);
    figures.web_sprites1000_vs_webgl = figures.web_sprites1000_ms / figures.web_sprites1000_webgl_ms;
    await bench.close();

    // The game's page: its first frame, load after load, then its pace.
    const firsts = [];
    for (let i = 0; i < LOADS; ++i) {
        const page = await openPage(browser, webUrl('quorl.html'));
        firsts.push(await waitForPage(page, () => quorlPage.firstFrameMs >= 0 && quorlPage.firstFrameMs));
        await page.close();
    }
    figures.web_first_frame_ms = median(firsts);
    const game = await openPage(browser, webUrl('quorl.html'));
    await waitForFrames(game, 60);
    await waitForFrames(game, INTERVALS + 1);
    const times = await game.evaluate((n) => quorlPage.frameTimes.slice(-n), INTERVALS + 1);
    const intervals = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
    figures.web_interval_p50_ms = intervals[Math.floor(intervals.length * 0.5)];
    figures.web_interval_p99_ms = intervals[Math.floor(intervals.length * 0.99)];
    await game.close();
} finally {
    await browser.close();
}
figures.web_wasm_gzip_kb = gzipKb('quorl.wasm');
figures.web_js_gzip_kb = gzipKb('quorl.js');

console.log(`${'figure'.padEnd(28)} ${'value'.padStart(10)} target`);
const targets = {
    web_frame_ms: '<= 3', web_sprites1000_ms: '<= 16', web_interval_p99_ms: '<= 20',
    web_first_frame_ms: '<= 1500', web_wasm_gzip_kb: 'wasm + js <= 600',
};
for (const [name, value] of Object.entries(figures)) {
    console.log(`${name.padEnd(28)} ${value.toFixed(2).padStart(10)} ${targets[name] || ''}`);
}
for (const [name, value] of Object.entries(figures)) {
    console.log(`${name}=${value.toFixed(name.endsWith('_kb') ? 1 : 3)}`);
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[sorted.length >> 1];
}

function gzipKb(file) {
    return zlib.gzipSync(fs.readFileSync(path.join(BUILD, file)), { level: 9 }).length / 1024;
}

// The peer: 1 000 sprites of boules.png from two textures in plain WebGL,
// those of each texture in one draw call; the frame shown on the canvas and a
// pixel read back, between frames an animation frame.
async function webglSprites(page) {
    return page.evaluate(async () => {
        const canvas = document.createElement('canvas');
        canvas.width = 480;
        canvas.height = 272;
        document.body.appendChild(canvas);
        const gl = canvas.getContext('webgl', { alpha: false, antialias: false, preserveDrawingBuffer: true });
        const bitmap = await createImageBitmap(await (await fetch('boules.png')).blob());
        const textures = [0, 1].map(() => {
            const texture = gl.createTexture();
            gl.bindTexture(gl.TEXTURE_2D, texture);
            gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
            gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
            gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
            gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
            gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
            return texture;
        });
        const shader = (kind, source) => {
            const s = gl.createShader(kind);
            gl.shaderSource(s, source);
            gl.compileShader(s);
            return s;
        };
        const program = gl.createProgram();
        gl.attachShader(program, shader(gl.VERTEX_SHADER,
            'attribute vec4 p; varying vec2 t; void main() { t = p.zw; gl_Position = vec4(p.xy, 0.0, 1.0); }'));
        gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
            'precision mediump float; uniform sampler2D s; varying vec2 t; void main() { gl_FragColor = texture2D(s, t); }'));
        gl.linkProgram(program);
        gl.useProgram(program);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.enableVertexAttribArray(0);
        gl.vertexAttribPointer(0, 4, gl.FLOAT, false, 16, 0);
        gl.enable(gl.BLEND);
        gl.blendFunc(gl.SRC_ALPHA, gl.ONE_MINUS_SRC_ALPHA);
        const vertices = new Float32Array(1000 * 6 * 4);
        const pixel = new Uint8Array(4);
        const times = [];
        for (let frame = 0; frame < 320; ++frame) {
            await new Promise((resolve) => requestAnimationFrame(resolve));
            const start = performance.now();
            let v = 0;
            for (const sheet of [0, 1]) {
                for (let i = sheet; i < 1000; i += 2) {
                    const x = (i * 16) % 480;
                    const y = Math.floor(i / 30) * 8 % 256;
                    const top = 16 * (i % 7) / bitmap.height;
                    const bottom = top + 16 / bitmap.height;
                    const corners = [[x, y, 0, top], [x + 16, y, 1, top], [x, y + 16, 0, bottom],
                                     [x, y + 16, 0, bottom], [x + 16, y, 1, top], [x + 16, y + 16, 1, bottom]];
                    for (const [cx, cy, u, w] of corners) {
                        vertices[v++] = cx / 240 - 1;
                        vertices[v++] = 1 - cy / 136;
                        vertices[v++] = u;
                        vertices[v++] = w;
                    }
                }
            }
            gl.clear(gl.COLOR_BUFFER_BIT);
            gl.bufferData(gl.ARRAY_BUFFER, vertices, gl.STREAM_DRAW);
            for (const sheet of [0, 1]) {
                gl.bindTexture(gl.TEXTURE_2D, textures[sheet]);
                gl.drawArrays(gl.TRIANGLES, sheet * 500 * 6, 500 * 6);
            }
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
            if (frame >= 20) {
                times.push(performance.now() - start);
            }
        }
        canvas.remove();
        times.sort((a, b) => a - b);
        return times[times.length >> 1];
    });
}
