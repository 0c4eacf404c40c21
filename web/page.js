// The page around the game: it fetches the nine asset files once, starts the program in a
// fresh module, tells the player what to do, and offers another game when the program ends.
(function() {
  'use strict';

  var ASSETS = ['TOXICBG.BMP', 'death.BMP', 'start.BMP', 'Scanning.BMP', 'Lockedon.bmp',
                'Duck.bmp', 'deadduck.bmp', 'Rifle.WAV', 'Beep.wav'];

  var canvas = document.getElementById('game');
  var notice = document.getElementById('notice');
  var message = document.getElementById('message');
  var files = null;  // name -> bytes, fetched once for every game

  // Shows text over the canvas, with an optional block of detail and a button.
  function say(text, detail, button, action) {
    message.textContent = '';
    var line = document.createElement('p');
    line.style.margin = '0';
    line.textContent = text;
    message.appendChild(line);
    if (detail) {
      var block = document.createElement('pre');
      block.textContent = detail;
      message.appendChild(block);
    }
    if (button) {
      var press = document.createElement('button');
      press.textContent = button;
      press.addEventListener('click', action);
      message.appendChild(press);
    }
    notice.hidden = false;
  }

  function fetchAssets() {
    return Promise.all(ASSETS.map(function(name) {
      return fetch('assets/' + name).then(function(response) {
        if (!response.ok) return {name: name, problem: 'HTTP ' + response.status};
        return response.arrayBuffer().then(function(data) {
          return {name: name, data: new Uint8Array(data)};
        });
      }, function(error) {
        return {name: name, problem: String(error.message || error)};
      });
    })).then(function(results) {
      var missing = results.filter(function(r) { return r.problem; });
      if (missing.length) {
        throw {
          text: 'The game cannot start: ' + (missing.length == 1 ? 'one of its files' :
                missing.length + ' of its files') + ' could not be loaded from the server.',
          detail: missing.map(function(r) {
            return 'assets/' + r.name + ': ' + r.problem;
          }).join('\n')
        };
      }
      var loaded = {};
      results.forEach(function(r) { loaded[r.name] = r.data; });
      return loaded;
    });
  }

  function loadScript() {
    return new Promise(function(resolve, reject) {
      var script = document.createElement('script');
      script.src = 'qent.js';
      script.onload = resolve;
      script.onerror = function() {
        reject({text: 'The game cannot start: qent.js could not be loaded from the server.'});
      };
      document.body.appendChild(script);
    });
  }

  // Until the first click the game runs (the intro plays) without the mouse or sound.
  function waitForClick() {
    say('Click to play');
    function clicked() {
      document.removeEventListener('mousedown', clicked, true);
      document.removeEventListener('keydown', clicked, true);
      notice.hidden = true;
    }
    document.addEventListener('mousedown', clicked, true);
    document.addEventListener('keydown', clicked, true);
    return clicked;
  }

  function play() {
    var errors = [];
    var clicked = waitForClick();
    createQent({
      canvas: canvas,
      print: function(text) { console.log(text); },
      printErr: function(text) {
        errors.push(text);
        console.warn(text);
      },
    }).then(function(module) {
      // The game reads its files by bare name from the working folder, the root.
      ASSETS.forEach(function(name) { module.FS.writeFile(name, files[name]); });
      // main is called by us, not at load: its result comes back once the last wait is over.
      return module.ccall('main', 'number', ['number', 'number'], [0, 0], {async: true});
    }).then(function(code) {
      clicked();
      if (code == 0) {
        say('The game has ended.', null, 'Play again', play);
      } else {
        say('The game could not start.', errors.join('\n'), 'Try again', play);
      }
    }, function(error) {
      clicked();
      console.error('qent: the game stopped: ' + error);
      say('The game stopped with an error.', String(error), 'Play again', play);
    });
  }

  if (typeof WebAssembly != 'object' || typeof WebAssembly.instantiate != 'function') {
    say('This browser cannot run WebAssembly, which the game needs. A current Firefox, ' +
        'Chrome, Edge or Safari can.');
    return;
  }
  Promise.all([fetchAssets(), loadScript()]).then(function(results) {
    files = results[0];
    play();
  }, function(problem) {
    if (problem && problem.text) {
      say(problem.text, problem.detail);
    } else {
      console.error('qent: ' + problem);
      say('The game cannot start.', String(problem));
    }
  });
})();
