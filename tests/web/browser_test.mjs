// Drives the show's page in headless Chromium, in real time, over the DevTools protocol, and
// checks it: a WebGL2 context; the sound running, its callbacks arriving, the sound keeping pace
// with the audio clock and the song time within 0.5 s of what the desktop's song clock reads after
// as much sound as the audio clock has played; screenshots at song time 12 s and 30 s that show
// the flare and the stadium, compared with the desktop's stills of the same song times; Escape
// ending the show.
//
// The song clock is the module's own millisecond count, which drops the fraction of a millisecond
// of every mixed stretch: by design it falls behind the sound, about 1.5 s in the first 30 s. So
// the song time is compared with the desktop's song clock after the same amount of sound (from
// tavrin-record's frame timings), not with the audio clock itself; the drift is printed.
//   node --experimental-websocket browser_test.mjs --site DIR --out DIR --record TAVRIN_RECORD --data TAVRIN_DATA
// Exit status 0 when every check passes, 1 when one fails, 77 when Chromium cannot start (skipped).
import {spawn, execFileSync} from 'node:child_process';
import {createServer} from 'node:http';
import {mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync, existsSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {extname, join, resolve} from 'node:path';
import {decodePng} from './png.mjs';
import {blocks, brightnessSpread, closeness, letterbox} from './picture_compare.mjs';

const kSkipped = 77;
const kShotTimes = [12, 30];          // song times of the screenshots
const kSyncTolerance = 0.5;           // seconds the song time may differ from the audio clock
const kBusyAnswer = 250;              // milliseconds of a probe's answer that mean a long frame
const kShowTimeout = 120;             // seconds the page gets to reach the last screenshot
// A screenshot must be closer to the desktop still of its own song time than to the other one,
// and no further from it than this (mean block difference, 0..255).
const kMaxDifference = 40;
const kMinSpread = 10;                // brightness spread of a picture that is not blank

function options() {
  const args = process.argv.slice(2);
  const result = {};
  for (let i = 0; i < args.length; i += 2) {
    if (!args[i].startsWith('--') || i + 1 >= args.length) throw new Error('usage: ' + args.join(' '));
    result[args[i].slice(2)] = args[i + 1];
  }
  for (const name of ['site', 'out', 'record', 'data']) {
    if (!result[name]) throw new Error(`--${name} is needed`);
  }
  return result;
}

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

const sleep = ms => new Promise(done => setTimeout(done, ms));

// The site on 127.0.0.1, on a free port.
function serve(site) {
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
  const server = createServer((request, response) => {
    const path = new URL(request.url, 'http://localhost').pathname;
    const file = resolve(site, '.' + (path === '/' ? '/index.html' : path));
    if (!file.startsWith(resolve(site)) || !existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': types[extname(file)] || 'application/octet-stream'});
    response.end(readFileSync(file));
  });
  return new Promise(done => server.listen(0, '127.0.0.1', () => done(server)));
}

function findChromium() {
  for (const name of ['chromium', 'chromium-browser', 'google-chrome']) {
    try {
      return execFileSync('sh', ['-c', `command -v ${name}`]).toString().trim();
    } catch {
      // not this one
    }
  }
  return null;
}

// Starts Chromium and resolves with its DevTools endpoint, or null when it does not come up.
function startChromium(binary, profile) {
  const child = spawn(binary, [
    '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--autoplay-policy=no-user-gesture-required', '--window-size=800,600', '--hide-scrollbars',
    '--no-first-run', '--no-default-browser-check', '--remote-debugging-address=127.0.0.1',
    '--remote-debugging-port=0', `--user-data-dir=${profile}`, 'about:blank',
  ], {stdio: ['ignore', 'ignore', 'pipe'], detached: true});
  return new Promise(done => {
    let text = '';
    const timer = setTimeout(() => done({child, endpoint: null, text}), 30000);
    child.on('error', () => done({child, endpoint: null, text}));
    child.on('exit', () => done({child, endpoint: null, text}));
    child.stderr.on('data', chunk => {
      text += chunk;
      const found = /DevTools listening on (ws:\/\/\S+)/.exec(text);
      if (found) {
        clearTimeout(timer);
        done({child, endpoint: found[1], text});
      }
    });
  });
}

// Chromium's helpers (zygote, renderers, GPU) write the profile as well, and may outlive the
// browser process: Chromium runs in a process group of its own, and the whole group is stopped.
function signalChromium(child, signal) {
  try {
    process.kill(-child.pid, signal);
    return true;
  } catch {
    return false;  // no process of the group is left
  }
}

async function stopChromium(child) {
  if (child.exitCode === null && child.signalCode === null) {
    const gone = new Promise(done => child.once('exit', done));
    signalChromium(child, 'SIGTERM');
    await Promise.race([gone, sleep(10000)]);
  }
  for (let waited = 0; signalChromium(child, 'SIGKILL') && waited < 5000; waited += 100) await sleep(100);
}

// A profile that cannot be removed is left in the temporary folder with a warning: the show was
// tested all the same.
function removeProfile(profile) {
  try {
    rmSync(profile, {recursive: true, force: true, maxRetries: 5});
  } catch (error) {
    console.log(`warning: could not remove the browser profile ${profile}: ${error.message}`);
  }
}

// One DevTools session on the page target.
async function connect(endpoint) {
  const http = endpoint.replace('ws://', 'http://').replace(/\/devtools\/.*/, '');
  const targets = await (await fetch(`${http}/json/list`)).json();
  const page = targets.find(target => target.type === 'page');
  const socket = new WebSocket(page.webSocketDebuggerUrl);
  await new Promise((done, fail) => {
    socket.onopen = done;
    socket.onerror = fail;
  });
  let next = 1;
  const waiting = new Map();
  let pageLines = 0;
  socket.onmessage = event => {
    const message = JSON.parse(event.data);
    // What the page writes to its console (the show's stderr among it), for reading a failure.
    if (message.method === 'Runtime.consoleAPICalled' && pageLines++ < 200) {
      console.log('page: ' + message.params.args.map(arg => arg.value ?? arg.description).join(' '));
    } else if (message.method === 'Runtime.exceptionThrown') {
      console.log('page exception: ' + JSON.stringify(message.params.exceptionDetails).slice(0, 2000));
    }
    if (message.id && waiting.has(message.id)) {
      const {done, fail} = waiting.get(message.id);
      waiting.delete(message.id);
      if (message.error) fail(new Error(message.error.message));
      else done(message.result);
    }
  };
  const send = (method, params = {}) => new Promise((done, fail) => {
    const id = next++;
    waiting.set(id, {done, fail});
    socket.send(JSON.stringify({id, method, params}));
  });
  const evaluate = async expression => {
    const result = await send('Runtime.evaluate', {expression, returnByValue: true});
    if (result.exceptionDetails) throw new Error(result.exceptionDetails.text);
    return result.result.value;
  };
  return {send, evaluate, close: () => socket.close()};
}

const kProbe = `({state: tavrin.state(), webgl: tavrin.webgl(), audio: tavrin.audio(),
                  ended: getComputedStyle(document.getElementById('end')).display !== 'none'})`;

async function main() {
  if (typeof WebSocket === 'undefined') {
    throw new Error('this Node has no WebSocket client: run it with Node 20 or later and --experimental-websocket');
  }
  const settings = options();
  mkdirSync(settings.out, {recursive: true});
  const chromium = findChromium();
  if (!chromium) {
    console.log('SKIPPED: no chromium found, the browser test cannot run');
    return kSkipped;
  }
  const profile = mkdtempSync(join(tmpdir(), 'tavrin-chromium-'));
  const server = await serve(settings.site);
  const {child, endpoint, text} = await startChromium(chromium, profile);
  if (!endpoint) {
    console.log(`SKIPPED: chromium could not start, the browser test cannot run:\n${text}`);
    await stopChromium(child);
    server.close();
    removeProfile(profile);
    return kSkipped;
  }
  const session = await connect(endpoint);
  try {
    await run(session, settings, `http://127.0.0.1:${server.address().port}/`);
  } finally {
    session.close();
    await stopChromium(child);
    server.close();
    removeProfile(profile);
  }
  return failures.length === 0 ? 0 : 1;
}

async function run(session, settings, url) {
  // The whole 800x600 picture, as the desktop shows it, whatever room the window leaves.
  await session.send('Emulation.setDeviceMetricsOverride', {width: 800, height: 600, deviceScaleFactor: 1, mobile: false});
  await session.send('Page.enable');
  await session.send('Runtime.enable');
  await session.send('Page.navigate', {url});

  const started = Date.now();
  const shots = [];
  let probe = null, webglSeen = null;
  const syncSamples = [];
  let firstShow = null, lastShow = null;
  const kFailedProbesAllowed = 20;
  let failedProbes = 0;
  while (shots.length < kShotTimes.length) {
    if (Date.now() - started > kShowTimeout * 1000) break;
    await sleep(50);
    const asked = Date.now();
    // A probe that lands while the page is starting up can throw; only a run of them fails.
    try {
      probe = await session.evaluate(kProbe);
      failedProbes = 0;
    } catch (error) {
      if (++failedProbes >= kFailedProbesAllowed) throw error;
      continue;
    }
    // A slow answer means the page's thread was busy with a long frame: the audio callbacks
    // that came due meanwhile have not run yet, so its clocks are not compared this time.
    const busy = Date.now() - asked > kBusyAnswer;
    if (probe.webgl && !webglSeen) webglSeen = probe.webgl;
    const {state, audio} = probe;
    if (state.stage !== 'show' || state.musicStartAudioTime === undefined || !audio) continue;
    const sample = {wall: Date.now(), frames: state.frames, songTime: state.songTime,
                    callbacks: state.audioCallbacks, audioTime: audio.currentTime};
    firstShow = firstShow || sample;
    lastShow = sample;
    const elapsed = audio.currentTime - state.musicStartAudioTime;
    syncSamples.push({elapsed, songTime: state.songTime, soundSeconds: state.soundSeconds, busy});
    const due = kShotTimes[shots.length];
    if (state.songTime >= due) {
      const {data} = await session.send('Page.captureScreenshot', {format: 'png'});
      const file = join(settings.out, `browser-${due}.png`);
      writeFileSync(file, Buffer.from(data, 'base64'));
      shots.push({due, songTime: state.songTime, file});
      console.log(`screenshot at song time ${state.songTime.toFixed(2)} s: ${file}`);
    }
  }

  check(webglSeen && webglSeen.webgl2 && /^WebGL 2\.0/.test(webglSeen.version),
        `WebGL2 context (${webglSeen ? webglSeen.version + ', ' + webglSeen.renderer : 'none'})`);
  check(probe && probe.audio && probe.audio.state === 'running',
        `audio context running (${probe && probe.audio ? probe.audio.state : 'none'})`);
  const seconds = firstShow && lastShow ? (lastShow.wall - firstShow.wall) / 1000 : 0;
  const callbacks = seconds > 0 ? lastShow.callbacks - firstShow.callbacks : 0;
  check(callbacks >= seconds * 2 && seconds > 5,
        `audio callbacks arriving (${callbacks} in ${seconds.toFixed(1)} s)`);
  const settled = syncSamples.filter(sample => !sample.busy);
  const soundWorst = Math.max(...settled.map(sample => Math.abs(sample.soundSeconds - sample.elapsed)));
  check(settled.length > 10 && soundWorst < kSyncTolerance,
        `the sound keeps pace with the audio clock (worst ${soundWorst.toFixed(3)} s over ${settled.length} ` +
        `samples; ${syncSamples.length - settled.length} taken after a long frame left out)`);
  if (seconds > 0) {
    console.log(`frames per second in the show: ${((lastShow.frames - firstShow.frames) / seconds).toFixed(1)}`);
  }
  check(shots.length === kShotTimes.length, `screenshots at song times ${kShotTimes.join(' s, ')} s`);

  // Escape ends the show and the page says so.
  await session.send('Input.dispatchKeyEvent', {type: 'keyDown', key: 'Escape', code: 'Escape',
                                                windowsVirtualKeyCode: 27, nativeVirtualKeyCode: 27});
  await session.send('Input.dispatchKeyEvent', {type: 'keyUp', key: 'Escape', code: 'Escape',
                                                windowsVirtualKeyCode: 27, nativeVirtualKeyCode: 27});
  let ended = false;
  for (let i = 0; i < 100 && !ended; ++i) {
    await sleep(50);
    const after = await session.evaluate(kProbe);
    ended = after.state.stage === 'ended' && after.ended;
  }
  check(ended, 'Escape ends the show and shows the end page');

  if (shots.length === kShotTimes.length) compareWithDesktop(shots, settled, settings);
}

// The desktop's song time after `sound` seconds of music, from tavrin-record's frame timings: the
// first frame after the loading screen is drawn as the music starts, each next one a frame's
// sound later.
function desktopSongClock(timingsFile, fps) {
  const rows = readFileSync(timingsFile, 'utf8').trim().split('\n').slice(1).map(line => line.split(','));
  const songTimes = rows.filter(row => row[2] !== 'loading screen').map(row => Number(row[1]));
  return sound => {
    const at = sound * fps;
    const i = Math.max(0, Math.min(songTimes.length - 2, Math.floor(at)));
    return songTimes[i] + (songTimes[i + 1] - songTimes[i]) * (at - i);
  };
}

function checkSongClock(samples, clock, lastSound) {
  const compared = samples.filter(sample => sample.elapsed > 0 && sample.elapsed < lastSound);
  const errors = compared.map(sample => Math.abs(sample.songTime - clock(sample.elapsed)));
  const worst = Math.max(...errors);
  const at = compared[errors.indexOf(worst)];
  console.log(`the song time furthest from the desktop's: ${at.songTime.toFixed(3)} s against ` +
              `${clock(at.elapsed).toFixed(3)} s, after ${at.elapsed.toFixed(3)} s of the audio clock ` +
              `and ${at.soundSeconds.toFixed(3)} s of sound`);
  check(compared.length > 10 && worst < kSyncTolerance,
        `song time follows the audio clock as the desktop's song clock does (worst ${worst.toFixed(3)} s over ${compared.length} samples)`);
  const last = compared[compared.length - 1];
  console.log(`after ${last.elapsed.toFixed(2)} s of the audio clock: song time ${last.songTime.toFixed(2)} s, ` +
              `the desktop's ${clock(last.elapsed).toFixed(2)} s (the song clock's own drift: ` +
              `${(last.songTime - last.elapsed).toFixed(2)} s)`);
}

// Renders the desktop's stills at the screenshots' song times, with the frame timings that give
// its song clock, and compares.
function compareWithDesktop(shots, samples, settings) {
  const fps = 10;
  const times = shots.map(shot => shot.songTime.toFixed(2));
  const last = Number(times[times.length - 1]);
  const timings = join(settings.out, 'desktop-frames.csv');
  execFileSync(settings.record, ['--data', settings.data, '--fps', String(fps), '--still', times.join(','),
                                 '--timings', timings, '--to', (last + 0.2).toFixed(2), '--out', settings.out],
               {stdio: ['ignore', 'ignore', 'pipe'],
                env: {...process.env, EGL_PLATFORM: 'surfaceless', SDL_AUDIODRIVER: 'dummy'}});
  checkSongClock(samples, desktopSongClock(timings, fps), last);
  comparePictures(shots, times, settings);
}

function comparePictures(shots, times, settings) {
  const grids = shots.map((shot, i) => {
    const browser = decodePng(readFileSync(shot.file));
    const desktop = decodePng(readFileSync(join(settings.out, `still-${times[i].padStart(6, '0')}.png`)));
    return {browser: blocks(browser, letterbox(browser.width, browser.height)), desktop: blocks(desktop)};
  });
  shots.forEach((shot, i) => {
    const own = closeness(grids[i].browser, grids[i].desktop);
    const other = closeness(grids[i].browser, grids[1 - i].desktop);
    const spread = brightnessSpread(grids[i].browser);
    console.log(`song time ${times[i]} s: difference from the desktop still ${own.difference.toFixed(1)} ` +
                `(correlation ${own.correlation.toFixed(3)}); from the other scene's ${other.difference.toFixed(1)} ` +
                `(correlation ${other.correlation.toFixed(3)}); brightness spread ${spread.toFixed(1)}`);
    check(spread > kMinSpread, `the ${shot.due} s screenshot is not blank`);
    check(own.difference < kMaxDifference && own.difference < other.difference &&
          own.correlation > other.correlation,
          `the ${shot.due} s screenshot shows the desktop's scene`);
  });
}

main().then(code => process.exit(code), error => {
  console.error('FAIL', error);
  process.exit(1);
});
